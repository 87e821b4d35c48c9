#include "convert/commands/OptionBuilder.h"

#include "convert/commands/TMencOutputSettings.h"
#include "convert/commands/Bitrates.h"
#include "profiles/TIniFile.h"
#include "profiles/TParameterGrids.h"
#include "profiles/TProfile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

// The main window reads profiles through the platform INI routines.
bool ReadProfile(const QString &profileFile, TProfile &profile)
{
    if (!QFileInfo(profileFile).isFile())
        return false;
    profile = TProfile::Read(TIniFile(profileFile));
    return true;
}

// FFmpeg's own switches that take no value (each also as "-no" + name). Any argument given
// after one is not consumed by it, so FFmpeg takes it for one more output file.
const QSet<QString> &FlagSwitches()
{
    static const QSet<QString> flags{QStringLiteral("an"),
                                     QStringLiteral("vn"),
                                     QStringLiteral("sn"),
                                     QStringLiteral("dn"),
                                     QStringLiteral("y"),
                                     QStringLiteral("n"),
                                     QStringLiteral("shortest"),
                                     QStringLiteral("re"),
                                     QStringLiteral("copyts"),
                                     QStringLiteral("start_at_zero"),
                                     QStringLiteral("accurate_seek"),
                                     QStringLiteral("copyinkf"),
                                     QStringLiteral("bitexact"),
                                     QStringLiteral("autorotate"),
                                     QStringLiteral("autoscale"),
                                     QStringLiteral("fix_sub_duration"),
                                     QStringLiteral("fix_sub_duration_heartbeat"),
                                     QStringLiteral("find_stream_info"),
                                     QStringLiteral("force_fps"),
                                     QStringLiteral("stats"),
                                     QStringLiteral("stdin"),
                                     QStringLiteral("hide_banner"),
                                     QStringLiteral("ignore_unknown"),
                                     QStringLiteral("copy_unknown"),
                                     QStringLiteral("recast_media"),
                                     QStringLiteral("benchmark"),
                                     QStringLiteral("benchmark_all"),
                                     QStringLiteral("dump"),
                                     QStringLiteral("hex"),
                                     QStringLiteral("debug_ts"),
                                     QStringLiteral("psnr"),
                                     QStringLiteral("qphist"),
                                     QStringLiteral("xerror"),
                                     QStringLiteral("auto_conversion_filters"),
                                     QStringLiteral("intra"),
                                     QStringLiteral("deinterlace"),
                                     QStringLiteral("ignore_chapters"),
                                     QStringLiteral("display_hflip"),
                                     QStringLiteral("display_vflip"),
                                     QStringLiteral("print_graphs"),
                                     QStringLiteral("L"),
                                     QStringLiteral("h"),
                                     QStringLiteral("help"),
                                     QStringLiteral("version"),
                                     QStringLiteral("buildconf"),
                                     QStringLiteral("formats"),
                                     QStringLiteral("muxers"),
                                     QStringLiteral("demuxers"),
                                     QStringLiteral("devices"),
                                     QStringLiteral("codecs"),
                                     QStringLiteral("decoders"),
                                     QStringLiteral("encoders"),
                                     QStringLiteral("bsfs"),
                                     QStringLiteral("protocols"),
                                     QStringLiteral("filters"),
                                     QStringLiteral("pix_fmts"),
                                     QStringLiteral("layouts"),
                                     QStringLiteral("sample_fmts"),
                                     QStringLiteral("dispositions"),
                                     QStringLiteral("colors"),
                                     QStringLiteral("hwaccels")};
    return flags;
}

// Switches by which FFmpeg reads or writes a file of its own choosing besides the
// intermediate file and the target: inputs, logs, reports, scripts, attachments.
const QSet<QString> &FileSwitches()
{
    static const QSet<QString> files{QStringLiteral("i"),
                                     QStringLiteral("progress"),
                                     QStringLiteral("pass"),
                                     QStringLiteral("passlogfile"),
                                     QStringLiteral("vstats"),
                                     QStringLiteral("vstats_file"),
                                     QStringLiteral("report"),
                                     QStringLiteral("sdp_file"),
                                     QStringLiteral("dump_attachment"),
                                     QStringLiteral("attach"),
                                     QStringLiteral("fpre"),
                                     QStringLiteral("filter_script"),
                                     QStringLiteral("filter_complex_script"),
                                     QStringLiteral("stats_enc_pre"),
                                     QStringLiteral("stats_enc_post"),
                                     QStringLiteral("stats_mux_pre")};
    return files;
}

// The option name of a switch, without its dash and stream specifier: "-c:v" gives "c".
QString SwitchName(const QString &cmd)
{
    return cmd.mid(1).section(QLatin1Char(':'), 0, 0);
}

bool IsFlag(const QString &cmd)
{
    const QString name = SwitchName(cmd);
    return FlagSwitches().contains(name) || (name.startsWith(u"no") && FlagSwitches().contains(name.mid(2)));
}

bool IsWholeNumber(const QString &value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    bool ok = false;
    return digits.match(value).hasMatch() && value.toLongLong(&ok) > 0 && ok;
}

// A bit rate as FFmpeg and the shipped profiles write it: bits a second, or kilobits or
// megabits with "k" or "M".
bool IsBitrate(const QString &value)
{
    static const QRegularExpression rate(QStringLiteral("^[0-9]+[kKmM]?$"));
    return rate.match(value).hasMatch() && BitrateKbps(value) > 0;
}

// The encoder's vbitrate: kilobits below 16000, bits from there on.
QString EncoderBitrate(const QString &value)
{
    if (IsWholeNumber(value))
        return value;
    const double kbps = BitrateKbps(value);
    return kbps >= 16 ? QString::number(qRound64(kbps * 1000)) : QString::number(qRound64(kbps));
}

// FFmpeg writes to a path wherever a switch takes one; "/" is allowed only as a division
// (30000/1001, iw/2), and FFmpeg's own ways of naming a file or stream are refused.
bool LooksLikePath(const QString &value)
{
    if (value.contains(u"://") || value.startsWith(u"file:", Qt::CaseInsensitive)
        || value.startsWith(u"pipe:", Qt::CaseInsensitive))
        return true;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != QLatin1Char('/'))
            continue;
        const QChar before = i > 0 ? value.at(i - 1) : QChar();
        const QChar after = i + 1 < value.size() ? value.at(i + 1) : QChar();
        if (!(before.isLetterOrNumber() || before == QLatin1Char(')'))
            || !(after.isDigit() || after == QLatin1Char('(')))
            return true;
    }
    return false;
}

// Whether an option name reads as one that names a file: FFmpeg's and its filters' and
// encoders' own (file, stats, segment_list, passlogfile, movie, ...).
bool NamesFile(const QString &name)
{
    static const QRegularExpression file(
        QStringLiteral("^(file|filename|stats|list|movie|amovie|sendcmd|asendcmd|commands)$|_(file|filename|list)$"
                       "|(log|font|text|stats|key|cert)file$|filename$"),
        QRegularExpression::CaseInsensitiveOption);
    return file.match(name).hasMatch();
}

// A filter graph or an encoder's option list that names a file in one of its options
// ("ametadata=mode=print:file=x", "stats=x"): FFmpeg would write it, relative to where it runs.
bool ValueNamesFile(const QString &value)
{
    static const QRegularExpression option(QStringLiteral("(?<![A-Za-z0-9_])([A-Za-z_][A-Za-z0-9_]*)\\s*="));
    for (auto m = option.globalMatch(value); m.hasNext();) {
        if (NamesFile(m.next().captured(1)))
            return true;
    }
    return false;
}

// Why `cmd` is no single FFmpeg switch that leaves the files to the program; empty when it is.
QString SwitchProblem(const QString &cmd)
{
    static const QRegularExpression single(QStringLiteral("^-[A-Za-z][A-Za-z0-9_.:-]*$"));
    if (!single.match(cmd).hasMatch())
        return QStringLiteral("\"%1\" is not a single switch such as -b:v").arg(cmd);
    if (FileSwitches().contains(SwitchName(cmd)) || NamesFile(SwitchName(cmd)))
        return QStringLiteral("%1 makes the converter read or write a file of its own").arg(cmd);
    return {};
}

// Why `value` is no single argument of `cmd` (for the encoder: no single sub-option); empty
// when it is.
QString ValueProblem(const QString &cmd, const QString &value)
{
    // These three also reach MEncoder, where the text is split at blanks and colons.
    if (cmd == u"-b" || cmd == u"-b:v") {
        if (!IsBitrate(value))
            return QStringLiteral("\"%1\" is not a bit rate such as 1500000 or 1500k").arg(value);
        return {};
    }
    if (cmd == u"-ar") {
        if (!IsWholeNumber(value))
            return QStringLiteral("\"%1\" is not a whole number of samples per second").arg(value);
        return {};
    }
    if (cmd == u"-s") {
        static const QRegularExpression size(QStringLiteral("^[0-9]+[xX][0-9]+$"));
        const qsizetype x = value.indexOf(QLatin1Char('x'), 0, Qt::CaseInsensitive);
        if (!size.match(value).hasMatch() || value.left(x).toInt() <= 0 || value.mid(x + 1).toInt() <= 0)
            return QStringLiteral("\"%1\" is not a width and a height such as 640x480").arg(value);
        return {};
    }
    if (IsFlag(cmd)) {
        if (value != u"\\")
            return QStringLiteral(
                       "%1 takes no value, so \"%2\" would be one more output file; \"\\\" gives the switch alone")
                .arg(cmd, value);
        return {};
    }
    if (value == u"\\")
        return QStringLiteral("%1 needs a value; alone it would take the next argument for its value").arg(cmd);
    bool number = false;
    value.toDouble(&number);
    if (value.startsWith(QLatin1Char('-')) && !number)
        return QStringLiteral("\"%1\" would read as a switch").arg(value);
    if (LooksLikePath(value))
        return QStringLiteral("\"%1\" looks like a file path").arg(value);
    if (ValueNamesFile(value))
        return QStringLiteral("\"%1\" names a file for the converter to write").arg(value);
    return {};
}

// The parameter's value for the text a grid shows, unchecked.
QString ValueOfText(const TProfileParameter &parameter, const QString &text)
{
    if (parameter.IsList) {
        const QStringList items = parameter.CaptionItems();
        for (int i = 0; i < items.size(); ++i) {
            if (items.at(i).compare(text, Qt::CaseInsensitive) == 0)
                return parameter.ValueItem(i);
        }
        return text;
    }
    return parameter.ReadOnly ? parameter.Value : text;
}

// The parameter's value as the grids give it, unchecked.
QString RawParameterValue(const TProfileParameter &parameter, const TParameterGrids &grids)
{
    QString text;
    QStringList pickList;
    grids.FindRow(parameter.Sort, parameter.Name, text, pickList); // a missing row reads as empty
    return ValueOfText(parameter, text);
}

} // namespace

bool IsEncoderPassRow(const TProfileParameter &parameter)
{
    return parameter.Name.compare(u"Deinterlace", Qt::CaseInsensitive) == 0;
}

QString ResolveParameterValue(const TProfileParameter &parameter, const TParameterGrids &grids)
{
    const QString value = RawParameterValue(parameter, grids);
    if (parameter.Cmd.isEmpty() || value.isEmpty())
        return value;
    return SwitchProblem(parameter.Cmd).isEmpty() && ValueProblem(parameter.Cmd, value).isEmpty() ? value : QString();
}

bool CheckProfileValues(const QString &profileFile, const TParameterGrids &grids, QString &problem)
{
    problem.clear();
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return true;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
        const QString value = RawParameterValue(p, grids);
        if (p.Cmd.isEmpty() || value.isEmpty() || IsEncoderPassRow(p))
            continue; // never on a command line
        QString why = SwitchProblem(p.Cmd);
        const bool badSwitch = !why.isEmpty();
        if (!badSwitch)
            why = ValueProblem(p.Cmd, value);
        if (!why.isEmpty()) {
            problem = QStringLiteral("The profile \"%1\" has an unusable %2 for \"%3\": %4.")
                          .arg(QFileInfo(profileFile).completeBaseName(),
                               badSwitch ? QStringLiteral("switch") : QStringLiteral("value"), p.Name, why);
            return false;
        }
    }
    return true;
}

QString BuildTranscoderOptions(const QString &profileFile, const TParameterGrids &grids)
{
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return {};
    return BuildTranscoderOptions(profile, grids);
}

QString BuildTranscoderOptions(const TProfile &profile, const TParameterGrids &grids)
{
    QString options;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
        QString value = ResolveParameterValue(p, grids);
        if (p.Cmd.isEmpty() || value.isEmpty() || IsEncoderPassRow(p))
            continue;
        if (value == u"\\")
            value.clear();
        options += QLatin1Char(' ') + p.Cmd + QLatin1Char(' ') + value;
    }
    return options;
}

QString BuildEncoderOptions(const QString &profileFile, const TParameterGrids &grids, TMencOutputSettings &settings,
                            bool highQualityIntermediate, bool streamed)
{
    TProfile profile;
    if (!ReadProfile(profileFile, profile))
        return {};
    return BuildEncoderOptions(profile, grids, settings, highQualityIntermediate, streamed);
}

QString BuildEncoderOptions(const TProfile &profile, const TParameterGrids &grids, TMencOutputSettings &settings,
                            bool highQualityIntermediate, bool streamed)
{
    settings = TMencOutputSettings();
    QString bitrate, rate;
    for (const TProfileParameter &p : std::as_const(profile.Parameters)) {
        if (IsEncoderPassRow(p)) {
            // Grids without the row (a script's run) take the profile's own choice.
            QString text;
            QStringList pickList;
            if (!grids.FindRow(p.Sort, p.Name, text, pickList))
                text = p.ShownValue();
            settings.Deinterlace = DeinterlaceFromValue(ValueOfText(p, text), true);
            continue;
        }
        const QString value = ResolveParameterValue(p, grids);
        if (p.Cmd == u"-s") {
            QString size = value;
            size.replace(QLatin1Char('x'), QLatin1Char(':')).replace(QLatin1Char('X'), QLatin1Char(':'));
            settings.OutputSize = size;
            if (!size.isEmpty()) {
                const qsizetype colon = size.indexOf(QLatin1Char(':'));
                settings.OutputWidth = colon < 0 ? QString() : size.left(colon);
                settings.OutputHeight = size.mid(colon + 1);
            }
        } else if (p.Cmd == u"-aspect") {
            settings.OutputAspect = value;
        } else if (p.Cmd == u"-c:v" || p.Cmd == u"-vcodec") {
            settings.VideoCodec = value;
        } else if (p.Cmd == u"-b" || p.Cmd == u"-b:v") {
            // FFmpeg calls a bare "-b" ambiguous; profiles may name the video bitrate either way.
            bitrate = value;
            settings.VideoBitrate = value;
        } else if (p.Cmd == u"-ar") {
            rate = value;
            settings.AudioSampleRate = value;
        }
    }
    if (bitrate.isEmpty())
        bitrate = QStringLiteral("800");
    // Without a rate the encoder keeps the source's; a bare "-srate" would swallow the next switch.
    const QString srate = rate.isEmpty() ? QString() : QStringLiteral(" -srate ") + rate;
    // A fixed quantiser of 2 keeps the intermediate from costing the final encode anything
    // measurable; the profile's own bitrate costs it a second generation of loss.
    const QString quality =
        highQualityIntermediate ? QStringLiteral("vqscale=2") : QStringLiteral("vbitrate=") + EncoderBitrate(bitrate);
    // The sound stays PCM: a lossy coder would cost a generation of loss and start the sound
    // late by its own delay. It is raised by the converter, where it is still in floating point
    // and a limiter keeps loud scenes from clipping (SoundFilters).
    const QString sound = QStringLiteral(" -oac pcm") + QStringLiteral(" -channels 2") + srate;
    // Streamed, nothing is coded twice: the converter takes the pictures as they are.
    settings.RawPicture = streamed;
    if (streamed)
        return QStringLiteral(" -ovc raw") + sound;
    return QStringLiteral(" -ovc lavc -lavcopts vcodec=mpeg4:") + quality + QStringLiteral(":mbd=2") + sound;
}
