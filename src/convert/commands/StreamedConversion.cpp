#include "convert/commands/StreamedConversion.h"

#include "convert/commands/PictureFit.h"

#include "convert/commands/TMencOutputSettings.h"

#include <QFileInfo>

namespace {

QString Seconds6(double seconds)
{
    return QString::number(seconds, 'f', 6);
}

// The FFmpeg stream id of a sound stream numbered as the VOB's ids are.
QString AudioStreamId(int audioId)
{
    const int id = audioId >= 0 && audioId < 8 ? 0x1c0 + audioId : audioId; // MPEG audio is a stream of its own
    return QStringLiteral("0x%1").arg(id, 0, 16);
}

// The profile's options without its filter chains, which join the graph instead.
QStringList WithoutFilters(const QStringList &arguments, QString &video, QString &audio)
{
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        const bool isVideo = a == u"-vf" || a == u"-filter:v";
        const bool isAudio = a == u"-af" || a == u"-filter:a";
        if ((isVideo || isAudio) && i + 1 < arguments.size()) {
            QString &chain = isVideo ? video : audio;
            const QString &value = arguments.at(++i);
            if (!value.isEmpty())
                chain = chain.isEmpty() ? value : chain + QLatin1Char(',') + value;
            continue;
        }
        rest << a;
    }
    return rest;
}

QString OptionValue(const QStringList &arguments, const QString &option)
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
}

// The profile asks for the disc's own sound: its sound coder's options go, each track is
// copied or (LPCM, which files take badly) kept lossless by FLAC.
bool TakesOriginalSound(QStringList &arguments)
{
    if (OptionValue(arguments, QStringLiteral("-c:a")) != u"copy" && OptionValue(arguments, QStringLiteral("-acodec")) != u"copy")
        return false;
    for (const char *option : {"-c:a", "-acodec", "-b:a", "-ab", "-ar", "-ac"}) {
        const qsizetype at = arguments.indexOf(QLatin1String(option));
        if (at >= 0 && at + 1 < arguments.size())
            arguments.remove(at, 2);
    }
    return true;
}

bool IsLpcm(int audioId)
{
    return audioId >= 0xa0 && audioId <= 0xa7;
}

} // namespace

QString ConverterPictureFilters(TScanType scan, TDeinterlace choice)
{
    if (choice == TDeinterlace::No)
        return {};
    // Hard pulldown: the fields matched back into film frames, what no match makes whole
    // deinterlaced, and of every five frames the one most like its neighbour dropped (never a
    // "scene change" instead: a fast pan looks like one); the film's even steps from the
    // span's start (decimate counts them from a rate guessed from the stream).
    if (scan == TScanType::HardFilm)
        return QStringLiteral("fieldmatch=order=auto:combmatch=full,yadif=deint=interlaced,decimate=scthresh=100,"
                              "setpts=N*1001/24000/TB");
    // Only frames flagged interlaced: soft pulldown film and progressive stretches pass whole.
    if (scan == TScanType::Interlaced || scan == TScanType::SoftFilm)
        return QStringLiteral("estdif=mode=frame:deint=interlaced");
    if (choice == TDeinterlace::Yes)
        return QStringLiteral("estdif=mode=frame:deint=all");
    return {};
}

bool KeepsVariableRate(const QString &outputExt, const QString &videoCodec)
{
    static const QStringList containers = {QStringLiteral(".mkv"), QStringLiteral(".mp4"), QStringLiteral(".m4v"),
                                           QStringLiteral(".mov"), QStringLiteral(".webm")};
    // Coders whose clock takes 90 kHz; the MPEG-4 part 2 and older ones count in frames.
    static const QStringList coders = {QStringLiteral("libx264"),   QStringLiteral("libx265"),
                                       QStringLiteral("libvpx"),    QStringLiteral("libvpx-vp9"),
                                       QStringLiteral("libsvtav1"), QStringLiteral("libaom-av1")};
    return containers.contains(outputExt.toLower()) && coders.contains(videoCodec);
}

bool HoldsSeveralSoundTracks(const QString &outputExt)
{
    static const QStringList containers = {QStringLiteral(".mkv"), QStringLiteral(".mp4"), QStringLiteral(".m4v"),
                                           QStringLiteral(".mov")};
    return containers.contains(outputExt.toLower());
}

bool KeepsSeveralSoundTracks(const QString &outputExt, bool streamed)
{
    return streamed && HoldsSeveralSoundTracks(outputExt);
}

QString NominalRate(TScanType scan, bool ntsc)
{
    if (scan == TScanType::SoftFilm || scan == TScanType::HardFilm)
        return QStringLiteral("24000/1001");
    return ntsc ? QStringLiteral("30000/1001") : QStringLiteral("25");
}

double SoundCoderLead(const QString &coder, int sampleRate)
{
    // Samples of silence each coder writes before the sound (its own delay and the decoder's).
    const int samples = coder == u"libmp3lame" ? 1105 : coder == u"aac" ? 1024 : coder == u"ac3" ? 256 : 0;
    return samples > 0 ? double(samples) / (sampleRate > 0 ? sampleRate : 48000) : 0.0;
}

QString SoundFilters(const QString &profileFilters, double start, double end, double length, bool raise)
{
    QStringList chain;
    // Gaps and overlaps where cells join are filled or cut to the sound's own times.
    chain << QStringLiteral("aresample=async=1:min_hard_comp=0.002");
    if (!profileFilters.isEmpty())
        chain << profileFilters;
    // Raised and limited on the sound read before the span too, so the limiter has settled where
    // the span begins; then the span is cut from the sound's times exactly.
    if (raise)
        chain << SoundGainFilters();
    chain << QStringLiteral("atrim=start=%1:end=%2").arg(Seconds6(start), Seconds6(end))
          << QStringLiteral("asetpts=PTS-%1/TB").arg(Seconds6(start))
          << QStringLiteral("apad=whole_dur=%1").arg(Seconds6(length));
    return chain.join(QLatin1Char(','));
}

TToolCommand BuildStreamedConverterCommand(const QString &transcoderExe, const TStreamedConversion &c,
                                           const TTranscoderOptions &options, const TMencOutputSettings &settings,
                                           const QString &outputExt, const QString &targetFile)
{
    QString profileVideo, profileAudio;
    QStringList args = WithoutFilters(options.Arguments, profileVideo, profileAudio);
    const bool sound = c.AudioId >= 0 && !args.contains(QStringLiteral("-an"));

    TToolCommand command(transcoderExe);
    command.Add(QStringLiteral("-y"));
    // The stream's own clock: the span is cut by its times.
    command.Add(QStringLiteral("-f")).Add(QStringLiteral("mpeg")).Add(QStringLiteral("-copyts"));
    command.AddFileInput(c.Pipe);
    int inputs = 1, chaptersInput = -1, subtitleInput = -1;
    if (!c.ChaptersFile.isEmpty()) {
        command.AddFileInput(c.ChaptersFile);
        chaptersInput = inputs++;
    }
    if (!c.SubtitleIndex.isEmpty()) {
        // Its times are kept to the millisecond: a picture at its very start takes it in.
        if (c.BurnSubtitle)
            command.Add(QStringLiteral("-itsoffset")).Add(QStringLiteral("-0.001"));
        command.AddFileInput(c.SubtitleIndex);
        subtitleInput = inputs++;
    }

    // A picture belongs to the span from a quarter of a frame before its start (film frames lie
    // off the disc's frame grid by up to a quarter); it keeps its time from the span's start.
    const double frame = c.Ntsc ? 1001.0 / 30000.0 : 1.0 / 25.0;
    const double length = c.End - c.Start;
    QStringList picture{
        QStringLiteral("trim=start=%1:end=%2").arg(Seconds6(c.Start - frame / 4), Seconds6(c.End - frame / 4)),
        QStringLiteral("setpts=PTS-%1/TB").arg(Seconds6(c.Start))};
    const QString treatment = ConverterPictureFilters(c.Scan, c.Deinterlace);
    if (!treatment.isEmpty())
        picture << treatment;
    // Each picture at its own time where the file and its coder keep it; else the pictures
    // nearest to each step of a constant rate (film's drops a video stretch's fifth frame),
    // which keeps the sync within half a step. The rate the file names is the title's own
    // (film's for film) either way; a profile's own rate is the converter's to keep.
    const QString profileRate = OptionValue(args, QStringLiteral("-r"));
    const bool variable = KeepsVariableRate(outputExt, settings.VideoCodec);
    if (profileRate.isEmpty() && !variable)
        picture << QStringLiteral("fps=") + NominalRate(c.Scan, c.Ntsc);
    QString graph = QStringLiteral("[0:i:0x1e0]") + picture.join(QLatin1Char(',')) + QStringLiteral("[pic]");
    QString shown = QStringLiteral("[pic]");
    if (c.BurnSubtitle && subtitleInput >= 0) {
        // Laid on the disc's own frame, before scaling, as a player shows it.
        graph += QStringLiteral(";[pic][%1:s:0]overlay=eof_action=pass[sub]").arg(subtitleInput);
        shown = QStringLiteral("[sub]");
    }
    QStringList frameFilters;
    const QString titleShape = c.TitleAspect == u"16:9" ? QStringLiteral("setdar=16/9") : QStringLiteral("setdar=4/3");
    if (c.Crop.IsSet()) {
        // The frame's pixel shape first: the cropped film keeps it, and so its own shape.
        frameFilters << titleShape << c.Crop.Filter();
    }
    TPictureFit fit;
    if (FitPicture(settings, c.TitleAspect, fit, c.Crop)) {
        frameFilters << QStringLiteral("scale=%1:%2").arg(fit.Width).arg(fit.Height);
        if (!profileVideo.isEmpty())
            frameFilters << profileVideo;
        frameFilters << FramePadFilter(fit);
        FitFrameOptions(args, fit);
    } else {
        if (!profileVideo.isEmpty())
            frameFilters << profileVideo;
        if (!c.Crop.IsSet())
            frameFilters << titleShape;
    }
    graph += QLatin1Char(';') + shown + frameFilters.join(QLatin1Char(',')) + QStringLiteral("[v]");
    // AVI keeps no time for sound: the silence a coder puts first is heard, and what comes
    // before the picture's start would move the picture. The sound begins that much later in
    // the span instead, and nothing is moved.
    const bool untimedSound = outputExt.compare(QStringLiteral(".avi"), Qt::CaseInsensitive) == 0;
    const double coderLead = untimedSound ? SoundCoderLead(OptionValue(args, QStringLiteral("-c:a")),
                                                           OptionValue(args, QStringLiteral("-ar")).toInt())
                                          : 0.0;
    const bool several = HoldsSeveralSoundTracks(outputExt);
    QList<int> tracks;
    if (sound)
        tracks << c.AudioId << (several ? c.MoreAudioIds : QList<int>());
    const bool original = TakesOriginalSound(args);
    for (int i = 0; i < tracks.size(); ++i) {
        if (original && !IsLpcm(tracks.at(i)))
            continue; // copied, past the graph
        // The original sound is not raised: what the disc has, as it has it.
        graph += QStringLiteral(";[0:i:%1]%2[a%3]")
                     .arg(AudioStreamId(tracks.at(i)),
                          SoundFilters(profileAudio, c.Start + coderLead, c.End, length - coderLead, !original))
                     .arg(i);
    }
    command.Add(QStringLiteral("-filter_complex")).Add(graph);
    command.Add(QStringLiteral("-map")).Add(QStringLiteral("[v]"));
    const qint64 startTicks = qRound64(c.Start * 90000), endTicks = qRound64(c.End * 90000);
    for (int i = 0; i < tracks.size(); ++i) {
        if (!original) {
            command.Add(QStringLiteral("-map")).Add(QStringLiteral("[a%1]").arg(i));
        } else if (IsLpcm(tracks.at(i))) {
            command.Add(QStringLiteral("-map")).Add(QStringLiteral("[a%1]").arg(i));
            command.Add(QStringLiteral("-c:a:%1").arg(i)).Add(QStringLiteral("flac"));
        } else {
            // Whole frames of the span, on the span's clock as the pictures are.
            command.Add(QStringLiteral("-map")).Add(QStringLiteral("0:i:%1").arg(AudioStreamId(tracks.at(i))));
            command.Add(QStringLiteral("-c:a:%1").arg(i)).Add(QStringLiteral("copy"));
            command.Add(QStringLiteral("-bsf:a:%1").arg(i))
                .Add(QStringLiteral("noise=drop=lt(pts\\,%1)+gte(pts\\,%2),setts=ts=TS-%1").arg(startTicks).arg(endTicks));
        }
    }
    if (several) {
        // Each track says its language; the first chosen plays unless the viewer picks another.
        for (int i = 0; i < tracks.size(); ++i) {
            command.Add(QStringLiteral("-metadata:s:a:%1").arg(i))
                .Add(QStringLiteral("language=") + c.AudioLanguages.value(i, QStringLiteral("und")));
            command.Add(QStringLiteral("-disposition:a:%1").arg(i))
                .Add(i == 0 ? QStringLiteral("default") : QStringLiteral("0"));
        }
    }
    if (!sound)
        args.removeAll(QStringLiteral("-an"));
    if (subtitleInput >= 0 && !c.BurnSubtitle) {
        // Copied as the disc has it; named, it is picked although the container's own subtitle
        // codec is a text one.
        command.Add(QStringLiteral("-map")).Add(QStringLiteral("%1:s").arg(subtitleInput));
        command.Add(QStringLiteral("-c:s")).Add(QStringLiteral("copy"));
    }
    if (chaptersInput >= 0)
        command.Add(QStringLiteral("-map_chapters")).Add(QString::number(chaptersInput));
    if (profileRate.isEmpty()) {
        command.Add(QStringLiteral("-fps_mode")).Add(QStringLiteral("passthrough"));
        command.Add(QStringLiteral("-r")).Add(NominalRate(c.Scan, c.Ntsc));
        if (variable)
            command.Add(QStringLiteral("-enc_time_base:v")).Add(QStringLiteral("1:90000"));
    }
    if (untimedSound)
        command.Add(QStringLiteral("-avoid_negative_ts")).Add(QStringLiteral("disabled"));
    for (const QString &argument : std::as_const(args))
        command.Add(argument);
    // An absolute path: a name starting with "-" must not read as an option.
    command.AddWritten(QFileInfo(targetFile).absoluteFilePath());
    return command;
}
