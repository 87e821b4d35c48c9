#include "DvdTitleLoader.h"

#include "TitleStreams.h"

#include "DvdLibrary.h"
#include "DvdSource.h"
#include "core/EQuarnelError.h"
#include "core/PathText.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "tasklist/TTaskListModel.h"

#include <QFileInfo>

#include <map>

namespace {

// Seconds and text of a time are always set together.
void SetSpan(TTaskNodeData &d, const QString &startText, const QString &endText)
{
    d.OrigStartText = d.StartText = startText;
    d.OrigEndText = d.EndText = endText;
    d.OrigStart = d.Start = TimeTextToSeconds(startText);
    d.OrigEnd = d.End = TimeTextToSeconds(endText);
}

QString WholeSecondsText(const QString &time)
{
    return SecondsToTimeText(TimeTextToSeconds(time));
}

} // namespace

QString DvdTitleLoader::Numbered(const QString &prefix, int number)
{
    return prefix + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

TDvdReading DvdTitleLoader::ReadDvd(const QString &path)
{
    TDvdReading reading;
    reading.DvdPath = DvdSource::Location(path);
    QString libraryPath = reading.DvdPath;
    if (libraryPath.endsWith(QLatin1Char('/')))
        libraryPath.chop(1);

    const DvdLibrary::Handle handle = DvdLibrary::DVD_OpenDVD(libraryPath);
    if (!handle.isOpen()) {
        if (DvdLibrary::NoDvd(handle)) {
            reading.Error = QStringLiteral("No DVD in \"%1\": the file \"%2\" does not exist.")
                                .arg(path, DvdLibrary::Describe(handle, QStringLiteral("VIDEO_TS.IFO")));
        } else {
            reading.Error =
                QStringLiteral("The DVD at \"%1\" cannot be read. %2").arg(path, DvdLibrary::TitleTableProblem(handle));
        }
        return reading;
    }
    if (!DvdLibrary::TitleTableNote(handle).isEmpty())
        reading.Notes << DvdLibrary::TitleTableNote(handle);
    const int count = DvdLibrary::DVD_GetTitleNum(handle);
    if (count <= 0) {
        reading.Error = QStringLiteral("The DVD at \"%1\" has no titles.").arg(path);
        return reading;
    }

    // Every title set a title uses, read once, in order; the titles of a set that cannot be
    // read are left out, the others keep their numbers.
    std::map<int, QStringList> titlesOfSet;
    for (int i = 0; i < count; ++i) {
        const int set = DvdLibrary::TitleSetOfTitle(handle, i);
        if (set >= 0)
            titlesOfSet[set] << Numbered(QStringLiteral("Title"), i + 1);
    }
    DvdTitleLoader loader;
    for (const auto &[set, titles] : titlesOfSet) {
        const DvdLibrary::TitleSet &titleSet = *DvdLibrary::DVD_GetTitleSet(handle, set);
        if (loader.m_titleSets.size() <= set)
            loader.m_titleSets.resize(set + 1);
        if (titleSet.Readable) {
            loader.m_titleSets[set] = titleSet.Ifo;
            // Listed all the same (the tables are whole), but said now rather than at Start.
            const QString video = DvdLibrary::TitleVideoProblem(handle, set);
            if (!video.isEmpty())
                reading.Notes << QStringLiteral("Title set %1 (%2) cannot be converted. %3")
                                     .arg(QString::number(set + 1), titles.join(QStringLiteral(", ")), video);
            if (titleSet.FromBackup) {
                reading.Notes << titleSet.Problem
                                     + QStringLiteral(" Its backup %1 was read instead.")
                                           .arg(DvdLibrary::Describe(handle, DvdSource::InfoFileName(set + 1, true)));
            }
        } else {
            reading.Notes << QStringLiteral("Title set %1 is left out (%2). %3")
                                 .arg(QString::number(set + 1), titles.join(QStringLiteral(", ")), titleSet.Problem);
        }
    }
    reading.TitleSets = loader.m_titleSets;

    for (int i = 0; i < count; ++i) {
        const int set = DvdLibrary::TitleSetOfTitle(handle, i);
        if (set >= 0 && !DvdLibrary::DVD_GetTitleSet(handle, set)->Readable)
            continue;
        int s = -1, c = -1;
        DvdLibrary::DVD_GetIndexInfo(handle, i, s, c);
        const QString name = Numbered(QStringLiteral("Title"), i + 1);
        const int angles = DvdLibrary::DVD_GetTitleAngle(handle, i);
        const TProgramChain *chain = loader.Chain(s, c);
        TDvdReading::Title title;
        // A title its tables give no part or no length is not listed: it would convert into
        // nothing. The note says why.
        const DvdLibrary::TitleSet *titleSet = set >= 0 ? DvdLibrary::DVD_GetTitleSet(handle, set) : nullptr;
        const QString damage =
            titleSet ? DvdLibrary::TitleDamage(*titleSet, DvdLibrary::TitleInSet(handle, i)) : QString();
        if (!chain || !damage.isEmpty()) {
            QString why = titleSet && !titleSet->Problem.isEmpty()
                            ? titleSet->Problem
                            : QStringLiteral("Its tables give it no part or no length.");
            reading.Notes << QStringLiteral("%1 is left out. %2").arg(name, why);
            continue;
        }
        const TVideoStream &video = loader.m_titleSets[s].Vobs.VideoStream;
        const QString caption = name + QLatin1Char(' ') + loader.VideoAttributeText(s);
        if (IsNtsc(video)) {
            reading.Standard = QStringLiteral("NTSC");
            reading.FrameRateFactor = 29970.0;
        } else {
            reading.Standard = QStringLiteral("PAL");
            reading.FrameRateFactor = 25000.0;
        }
        QString frameSize = video.Resolution;
        frameSize.replace(QLatin1Char('x'), QLatin1Char(':'), Qt::CaseInsensitive);
        title.Data = TitleNode(i + 1, caption, name, QStringLiteral("00:00:00"), WholeSecondsText(chain->PlaybackTime),
                               name, frameSize, video.AspectRatio, loader.AudioTrackTexts(s, c),
                               loader.AudioLanguageCodes(s, c), loader.SubtitleTexts(s, c), angles);
        title.Chapters = loader.ChapterNodes(s, c, i + 1);
        reading.Titles << title;
    }
    if (reading.Titles.isEmpty())
        reading.Error = QStringLiteral("No title of the DVD at \"%1\" can be read.").arg(path);
    return reading;
}

void DvdTitleLoader::ApplyDvd(const TDvdReading &reading, TTaskListModel &list)
{
    DvdInfo.DvdPath = reading.DvdPath;
    DvdInfo.Standard = reading.Standard;
    DvdInfo.FrameRateFactor = reading.FrameRateFactor;
    m_titleSets = reading.TitleSets;
    m_notes = reading.Notes;
    if (!reading.Error.isEmpty())
        return;
    for (const TDvdReading::Title &title : reading.Titles) {
        const QModelIndex entry = list.AddTitleNode(title.Data);
        for (const TTaskNodeData &chapter : title.Chapters)
            list.AddChapterNode(entry, chapter);
    }
}

void DvdTitleLoader::LoadDvdTitles(const QString &folder, TTaskListModel &list)
{
    const TDvdReading reading = ReadDvd(folder);
    ApplyDvd(reading, list);
    if (!reading.Error.isEmpty())
        throw EQuarnelError(reading.Error);
}

const TProgramChain *DvdTitleLoader::Chain(int titleSet, int chain) const
{
    if (titleSet < 0 || titleSet >= m_titleSets.size())
        return nullptr;
    const QList<TProgramChain> &chains = m_titleSets[titleSet].Pgci.ProgramChains;
    return chain >= 0 && chain < chains.size() ? &chains[chain] : nullptr;
}

QString DvdTitleLoader::VideoAttributeText(int titleSet) const
{
    if (titleSet < 0 || titleSet >= m_titleSets.size())
        return {};
    const TVideoStream &v = m_titleSets[titleSet].Vobs.VideoStream;
    return QLatin1Char('[') + v.CodingMode + QLatin1Char(' ') + v.Resolution + QLatin1Char(' ') + v.Standard
         + QLatin1Char(' ') + v.AspectRatio + QLatin1Char(']');
}

QStringList DvdTitleLoader::AudioTrackTexts(int titleSet, int chain) const
{
    QStringList texts;
    if (const TProgramChain *k = Chain(titleSet, chain)) {
        for (const TTitleAudio &a : TitleAudio(*k, m_titleSets[titleSet].Vobs))
            texts << a.Attributes.Language + QLatin1Char(' ') + a.Attributes.CodingMode + QLatin1Char(' ')
                         + QString::number(a.Attributes.Channels) + QStringLiteral("ch");
    }
    return texts;
}

QStringList DvdTitleLoader::AudioLanguageCodes(int titleSet, int chain) const
{
    QStringList codes;
    if (const TProgramChain *k = Chain(titleSet, chain)) {
        for (const TTitleAudio &a : TitleAudio(*k, m_titleSets[titleSet].Vobs))
            codes << a.Attributes.LanguageCode;
    }
    return codes;
}

QStringList DvdTitleLoader::SubtitleTexts(int titleSet, int chain) const
{
    const TProgramChain *k = Chain(titleSet, chain);
    if (!k)
        return {};
    QStringList texts{QStringLiteral("None")};
    for (const TTitleSubtitle &s : TitleSubtitles(*k, m_titleSets[titleSet].Vobs))
        texts << s.Language;
    return texts;
}

TTaskNodeData DvdTitleLoader::TitleNode(int number, const QString &caption, const QString &name,
                                        const QString &startText, const QString &endText, const QString &outputName,
                                        const QString &frameSize, const QString &aspect, const QStringList &tracks,
                                        const QStringList &languages, const QStringList &subtitles, int angles)
{
    TTaskNodeData d;
    d.IsTitle = true;
    d.Number = number;
    d.ChapterIndex = 0;
    d.Caption = caption;
    d.ShortName = name;
    d.FrameSize = frameSize;
    d.Aspect = aspect;
    SetSpan(d, startText, endText);
    d.Duration = d.OrigEnd - d.OrigStart;
    d.OutputName = outputName;
    d.AudioTracks = tracks;
    d.AudioLanguages = languages;
    d.Subtitles = subtitles;
    d.AngleCount = angles;
    d.ImageIndex = 0;
    return d;
}

QList<TTaskNodeData> DvdTitleLoader::ChapterNodes(int titleSet, int chain, int titleNumber) const
{
    QList<TTaskNodeData> chapters;
    const TProgramChain *k = Chain(titleSet, chain);
    if (!k)
        return chapters;
    for (int j = 0; j < k->ProgramCount && j < k->ChapterStarts.size() && j < k->ChapterDurations.size(); ++j) {
        const QString chapterName = Numbered(QStringLiteral("Chapter"), j + 1);
        const QString startText = WholeSecondsText(k->ChapterStarts[j]);
        // The rounded start plus the exact chapter length, rounded again.
        const QString endText =
            SecondsToTimeText(TimeTextToSeconds(startText) + TimeTextToSeconds(k->ChapterDurations[j]));
        const QString outputName = Numbered(QStringLiteral("Title"), titleNumber) + QLatin1Char('-') + chapterName;
        chapters << ChapterNode(j + 1, chapterName, startText, endText, outputName, j);
    }
    return chapters;
}

TTaskNodeData DvdTitleLoader::ChapterNode(int number, const QString &chapterName, const QString &startText,
                                          const QString &endText, const QString &outputName, int index)
{
    TTaskNodeData d;
    d.IsTitle = false;
    d.Number = number;
    d.ChapterIndex = index;
    d.Caption = chapterName;
    d.ShortName = chapterName;
    SetSpan(d, startText, endText);
    d.OutputName = outputName;
    d.ImageIndex = 1;
    return d;
}

QModelIndex DvdTitleLoader::AddTitleNode(TTaskListModel &list, int number, const QString &caption, const QString &name,
                                         const QString &startText, const QString &endText, const QString &outputName,
                                         const QString &frameSize, const QString &aspect, const QStringList &tracks,
                                         const QStringList &languages, const QStringList &subtitles, int angles)
{
    return list.AddTitleNode(TitleNode(number, caption, name, startText, endText, outputName, frameSize, aspect, tracks,
                                       languages, subtitles, angles));
}

void DvdTitleLoader::AddChapterNodes(int titleSet, int chain, const QModelIndex &entry, int titleNumber,
                                     TTaskListModel &list) const
{
    for (const TTaskNodeData &chapter : ChapterNodes(titleSet, chain, titleNumber))
        list.AddChapterNode(entry, chapter);
}

QModelIndex DvdTitleLoader::AddChapterNode(TTaskListModel &list, const QModelIndex &parent, int number,
                                           const QString &chapterName, const QString &startText, const QString &endText,
                                           const QString &outputName, int index)
{
    return list.AddChapterNode(parent, ChapterNode(number, chapterName, startText, endText, outputName, index));
}
