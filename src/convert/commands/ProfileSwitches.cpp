#include "convert/commands/ProfileSwitches.h"

#include "convert/commands/Bitrates.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace {

enum class ValueKind {
    None,        // a switch alone ("\")
    Codec,       // a coder's name, or copy
    Bitrate,     // 800000, 800k, 2M
    Number,      // 23, -1, 3.0
    Word,        // a preset, a tune, a pixel format
    SampleRate,  // 48000
    Channels,    // 2
    Rate,        // 25, 30000/1001, ntsc
    Size,        // 640x480, x480
    Aspect,      // 16:9, 1.7778
    Filters,     // a filter graph of allowed filters
    FlagList,    // +faststart, +cgop+ilme
    Tag,         // a four-character code
    Metadata,    // key=text
    CoderParams, // key=value:key=value of the coders' own allowed keys
    Container,   // a muxer
};

// Longer than any value a row is for; a tool's argument has a limit of its own too.
constexpr int MaxValueLength = 2047;

const QHash<QString, ValueKind> &AllowedSwitches()
{
    using K = ValueKind;
    static const QHash<QString, ValueKind> switches{
        {QStringLiteral("an"), K::None},        {QStringLiteral("vn"), K::None},
        {QStringLiteral("sn"), K::None},        {QStringLiteral("dn"), K::None},
        {QStringLiteral("nostdin"), K::None},   {QStringLiteral("bitexact"), K::None},
        {QStringLiteral("c"), K::Codec},        {QStringLiteral("codec"), K::Codec},
        {QStringLiteral("vcodec"), K::Codec},   {QStringLiteral("acodec"), K::Codec},
        {QStringLiteral("scodec"), K::Codec},   {QStringLiteral("b"), K::Bitrate},
        {QStringLiteral("ab"), K::Bitrate},     {QStringLiteral("maxrate"), K::Bitrate},
        {QStringLiteral("minrate"), K::Bitrate}, {QStringLiteral("bufsize"), K::Bitrate},
        {QStringLiteral("crf"), K::Number},     {QStringLiteral("qp"), K::Number},
        {QStringLiteral("q"), K::Number},       {QStringLiteral("qscale"), K::Number},
        {QStringLiteral("qmin"), K::Number},    {QStringLiteral("qmax"), K::Number},
        {QStringLiteral("global_quality"), K::Number}, {QStringLiteral("g"), K::Number},
        {QStringLiteral("keyint_min"), K::Number}, {QStringLiteral("bf"), K::Number},
        {QStringLiteral("refs"), K::Number},    {QStringLiteral("trellis"), K::Number},
        {QStringLiteral("sc_threshold"), K::Number}, {QStringLiteral("threads"), K::Number},
        {QStringLiteral("level"), K::Number},   {QStringLiteral("compression_level"), K::Number},
        {QStringLiteral("cpu-used"), K::Number}, {QStringLiteral("row-mt"), K::Number},
        {QStringLiteral("tile-columns"), K::Number}, {QStringLiteral("tile-rows"), K::Number},
        {QStringLiteral("lag-in-frames"), K::Number}, {QStringLiteral("auto-alt-ref"), K::Number},
        {QStringLiteral("frame-parallel"), K::Number}, {QStringLiteral("aq-mode"), K::Number},
        {QStringLiteral("cutoff"), K::Number},  {QStringLiteral("frame_duration"), K::Number},
        {QStringLiteral("map_metadata"), K::Number}, {QStringLiteral("map_chapters"), K::Number},
        {QStringLiteral("preset"), K::Word},    {QStringLiteral("tune"), K::Word},
        {QStringLiteral("profile"), K::Word},   {QStringLiteral("deadline"), K::Word},
        {QStringLiteral("quality"), K::Word},   {QStringLiteral("pix_fmt"), K::Word},
        {QStringLiteral("vbr"), K::Word},       {QStringLiteral("application"), K::Word},
        {QStringLiteral("coder"), K::Word},     {QStringLiteral("ar"), K::SampleRate},
        {QStringLiteral("ac"), K::Channels},       {QStringLiteral("r"), K::Rate},
        {QStringLiteral("s"), K::Size},         {QStringLiteral("aspect"), K::Aspect},
        {QStringLiteral("vf"), K::Filters},     {QStringLiteral("af"), K::Filters},
        {QStringLiteral("filter"), K::Filters}, {QStringLiteral("movflags"), K::FlagList},
        {QStringLiteral("flags"), K::FlagList}, {QStringLiteral("vtag"), K::Tag},
        {QStringLiteral("atag"), K::Tag},       {QStringLiteral("tag"), K::Tag},
        {QStringLiteral("metadata"), K::Metadata}, {QStringLiteral("x264-params"), K::CoderParams},
        {QStringLiteral("x265-params"), K::CoderParams}, {QStringLiteral("svtav1-params"), K::CoderParams},
        {QStringLiteral("f"), K::Container},
    };
    return switches;
}

// Picture and sound filters that only change the pictures or the sound they are given: none
// of them names a file, a device, a socket or a script among its options.
const QSet<QString> &AllowedFilters()
{
    static const QSet<QString> filters{
        // picture
        QStringLiteral("scale"), QStringLiteral("zscale"), QStringLiteral("crop"), QStringLiteral("pad"),
        QStringLiteral("setdar"), QStringLiteral("setsar"), QStringLiteral("yadif"), QStringLiteral("bwdif"),
        QStringLiteral("estdif"), QStringLiteral("w3fdif"), QStringLiteral("kerndeint"),
        QStringLiteral("fieldmatch"), QStringLiteral("decimate"), QStringLiteral("pullup"),
        QStringLiteral("detelecine"), QStringLiteral("setfield"), QStringLiteral("fieldorder"),
        QStringLiteral("fps"), QStringLiteral("format"), QStringLiteral("null"), QStringLiteral("hflip"),
        QStringLiteral("vflip"), QStringLiteral("transpose"), QStringLiteral("rotate"), QStringLiteral("eq"),
        QStringLiteral("hue"), QStringLiteral("colorlevels"), QStringLiteral("colorbalance"),
        QStringLiteral("colorspace"), QStringLiteral("colormatrix"), QStringLiteral("lutyuv"),
        QStringLiteral("lutrgb"), QStringLiteral("unsharp"), QStringLiteral("cas"), QStringLiteral("hqdn3d"),
        QStringLiteral("atadenoise"), QStringLiteral("nlmeans"), QStringLiteral("removegrain"),
        QStringLiteral("deband"), QStringLiteral("gradfun"), QStringLiteral("deblock"),
        QStringLiteral("boxblur"), QStringLiteral("gblur"), QStringLiteral("smartblur"),
        QStringLiteral("noise"), QStringLiteral("fade"), QStringLiteral("drawbox"),
        // sound
        QStringLiteral("volume"), QStringLiteral("aresample"), QStringLiteral("aformat"),
        QStringLiteral("anull"), QStringLiteral("pan"), QStringLiteral("loudnorm"),
        QStringLiteral("dynaudnorm"), QStringLiteral("speechnorm"), QStringLiteral("acompressor"),
        QStringLiteral("alimiter"), QStringLiteral("compand"), QStringLiteral("highpass"),
        QStringLiteral("lowpass"), QStringLiteral("bass"), QStringLiteral("treble"),
        QStringLiteral("equalizer"), QStringLiteral("afade"), QStringLiteral("earwax"),
        QStringLiteral("extrastereo"), QStringLiteral("stereotools"), QStringLiteral("crossfeed"),
    };
    return filters;
}

// The coders' own options (x264, x265, SVT-AV1) that tune the coding and name no file.
const QSet<QString> &AllowedCoderParams()
{
    static const QSet<QString> keys{
        QStringLiteral("keyint"), QStringLiteral("min-keyint"), QStringLiteral("bframes"),
        QStringLiteral("b-adapt"), QStringLiteral("b-pyramid"), QStringLiteral("ref"), QStringLiteral("me"),
        QStringLiteral("merange"), QStringLiteral("subme"), QStringLiteral("trellis"), QStringLiteral("aq-mode"),
        QStringLiteral("aq-strength"), QStringLiteral("psy-rd"), QStringLiteral("psy-rdoq"),
        QStringLiteral("deblock"), QStringLiteral("rc-lookahead"), QStringLiteral("weightp"),
        QStringLiteral("weightb"), QStringLiteral("direct"), QStringLiteral("no-fast-pskip"),
        QStringLiteral("no-dct-decimate"), QStringLiteral("mbtree"), QStringLiteral("no-mbtree"),
        QStringLiteral("crf"), QStringLiteral("qp"), QStringLiteral("vbv-maxrate"), QStringLiteral("vbv-bufsize"),
        QStringLiteral("level"), QStringLiteral("nal-hrd"), QStringLiteral("colorprim"),
        QStringLiteral("transfer"), QStringLiteral("colormatrix"), QStringLiteral("range"), QStringLiteral("sar"),
        QStringLiteral("scenecut"), QStringLiteral("open-gop"), QStringLiteral("cabac"), QStringLiteral("no-cabac"),
        QStringLiteral("8x8dct"), QStringLiteral("partitions"), QStringLiteral("threads"),
        QStringLiteral("log-level"), QStringLiteral("sao"), QStringLiteral("no-sao"),
        QStringLiteral("strong-intra-smoothing"), QStringLiteral("limit-sao"), QStringLiteral("ctu"),
        QStringLiteral("pools"), QStringLiteral("frame-threads"), QStringLiteral("info"),
        QStringLiteral("tune"), QStringLiteral("film-grain"), QStringLiteral("film-grain-denoise"),
        QStringLiteral("enable-overlays"), QStringLiteral("scd"), QStringLiteral("enable-tf"),
        QStringLiteral("lp"), QStringLiteral("fast-decode"), QStringLiteral("irefresh-type"),
        QStringLiteral("enable-qm"), QStringLiteral("qm-min"), QStringLiteral("qm-max"),
    };
    return keys;
}

// Containers that write the one file they are given.
const QSet<QString> &AllowedContainers()
{
    static const QSet<QString> muxers{
        QStringLiteral("mp4"),  QStringLiteral("mov"),  QStringLiteral("matroska"), QStringLiteral("webm"),
        QStringLiteral("avi"),  QStringLiteral("flv"),  QStringLiteral("asf"),      QStringLiteral("mpeg"),
        QStringLiteral("vob"),  QStringLiteral("dvd"),  QStringLiteral("svcd"),     QStringLiteral("vcd"),
        QStringLiteral("mpegts"), QStringLiteral("ogg"), QStringLiteral("3gp"),     QStringLiteral("3g2"),
        QStringLiteral("ipod"), QStringLiteral("psp"),  QStringLiteral("mp3"),      QStringLiteral("wav"),
    };
    return muxers;
}

bool Matches(const QString &pattern, const QString &value)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(value).hasMatch();
}

// The option name of a switch, without its dash and stream specifier: "-c:v" gives "c".
QString SwitchName(const QString &cmd)
{
    return cmd.mid(1).section(QLatin1Char(':'), 0, 0);
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

// The filters of a graph, split where FFmpeg splits them (",", ";" outside quotes and escapes),
// each without its pad labels and instance name ("[in]scale@s=640:-2" gives "scale").
QStringList FilterNames(const QString &graph)
{
    QStringList pieces{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < graph.size(); ++i) {
        const QChar c = graph.at(i);
        if (c == QLatin1Char('\\') && i + 1 < graph.size()) {
            pieces.last() += c;
            pieces.last() += graph.at(++i);
        } else if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            pieces.last() += c;
        } else if (!quoted && (c == QLatin1Char(',') || c == QLatin1Char(';'))) {
            pieces.append(QString());
        } else {
            pieces.last() += c;
        }
    }
    static const QRegularExpression labels(QStringLiteral("^\\s*(\\[[^\\]]*\\]\\s*)*"));
    QStringList names;
    for (QString piece : std::as_const(pieces)) {
        piece.remove(labels);
        names.append(piece.section(QLatin1Char('='), 0, 0).section(QLatin1Char('['), 0, 0)
                         .section(QLatin1Char('@'), 0, 0).trimmed());
    }
    return names;
}

QString FilterProblem(const QString &graph)
{
    for (const QString &name : FilterNames(graph)) {
        if (name.isEmpty())
            return QStringLiteral("\"%1\" is not a list of filters such as scale=640:-2,setsar=1").arg(graph);
        if (!AllowedFilters().contains(name))
            return QStringLiteral("\"%1\" is not a filter a profile may use").arg(name);
    }
    return {};
}

QString CoderParamsProblem(const QString &params)
{
    for (const QString &param : params.split(QLatin1Char(':'))) {
        const QString key = param.section(QLatin1Char('='), 0, 0);
        if (!AllowedCoderParams().contains(key))
            return QStringLiteral("\"%1\" is not a coder option a profile may use").arg(key);
        if (!Matches(QStringLiteral("[A-Za-z0-9_.,+-]*"), param.section(QLatin1Char('='), 1)))
            return QStringLiteral("\"%1\" is not a value such as 4 or 1.0,0.15").arg(param);
    }
    return {};
}

// Why `value` is not of `kind`; empty when it is.
QString KindProblem(ValueKind kind, const QString &value)
{
    switch (kind) {
    case ValueKind::None:
        return {};
    case ValueKind::Codec:
        return Matches(QStringLiteral("[A-Za-z0-9_-]+"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not the name of a coder such as libx264").arg(value);
    case ValueKind::Bitrate:
        return Matches(QStringLiteral("[0-9]+[kKmM]?"), value) && BitrateKbps(value) > 0
                   ? QString()
                   : QStringLiteral("\"%1\" is not a bit rate such as 1500000 or 1500k").arg(value);
    case ValueKind::Number:
        return Matches(QStringLiteral("-?[0-9]+(\\.[0-9]+)?"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a number").arg(value);
    case ValueKind::Word:
        return Matches(QStringLiteral("[A-Za-z0-9_.+-]+"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a single word such as medium").arg(value);
    case ValueKind::SampleRate:
        return IsWholeNumber(value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a whole number of samples per second").arg(value);
    case ValueKind::Channels:
        return IsWholeNumber(value) ? QString()
                                    : QStringLiteral("\"%1\" is not a whole number of channels").arg(value);
    case ValueKind::Rate:
        return Matches(QStringLiteral("[0-9]+(\\.[0-9]+)?(/[0-9]+)?|ntsc|pal|film|ntsc-film|qntsc|qpal"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a picture rate such as 25 or 30000/1001").arg(value);
    case ValueKind::Size: {
        // A height alone ("x480"): the program works out the width that keeps the title's shape.
        const qsizetype x = value.indexOf(QLatin1Char('x'), 0, Qt::CaseInsensitive);
        return Matches(QStringLiteral("[0-9]*[xX][0-9]+"), value) && (x == 0 || value.left(x).toInt() > 0)
                       && value.mid(x + 1).toInt() > 0
                   ? QString()
                   : QStringLiteral("\"%1\" is not a width and a height such as 640x480, or a height such as x480")
                         .arg(value);
    }
    case ValueKind::Aspect:
        return Matches(QStringLiteral("[0-9]+(\\.[0-9]+)?([:/][0-9]+(\\.[0-9]+)?)?"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a display shape such as 16:9").arg(value);
    case ValueKind::Filters:
        return FilterProblem(value);
    case ValueKind::FlagList:
        return Matches(QStringLiteral("[+-]?[a-z0-9_]+([+-][a-z0-9_]+)*"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a list of flags such as +faststart").arg(value);
    case ValueKind::Tag:
        return Matches(QStringLiteral("[A-Za-z0-9_. ]{1,4}|0x[0-9A-Fa-f]{1,8}"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a four-character code such as XVID").arg(value);
    case ValueKind::Metadata:
        return Matches(QStringLiteral("[A-Za-z0-9_-]+=[^\\n\\r]*"), value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a name and a text such as title=A Film").arg(value);
    case ValueKind::CoderParams:
        return CoderParamsProblem(value);
    case ValueKind::Container:
        return AllowedContainers().contains(value)
                   ? QString()
                   : QStringLiteral("\"%1\" is not a container a profile may use").arg(value);
    }
    return {};
}

} // namespace

bool IsWholeNumber(const QString &value)
{
    bool ok = false;
    return Matches(QStringLiteral("[0-9]+"), value) && value.toLongLong(&ok) > 0 && ok;
}

QString SwitchProblem(const QString &cmd)
{
    if (!Matches(QStringLiteral("-[A-Za-z][A-Za-z0-9_.:-]*"), cmd))
        return QStringLiteral("\"%1\" is not a single switch such as -b:v").arg(cmd);
    if (!AllowedSwitches().contains(SwitchName(cmd)))
        return QStringLiteral("%1 is not a switch a profile may use").arg(cmd);
    return {};
}

QString ValueProblem(const QString &cmd, const QString &value)
{
    const ValueKind kind = AllowedSwitches().value(SwitchName(cmd), ValueKind::None);
    if (kind == ValueKind::None) {
        if (value != u"\\")
            return QStringLiteral(
                       "%1 takes no value, so \"%2\" would be one more output file; \"\\\" gives the switch alone")
                .arg(cmd, value);
        return {};
    }
    if (value == u"\\")
        return QStringLiteral("%1 needs a value; alone it would take the next argument for its value").arg(cmd);
    if (value.size() > MaxValueLength)
        return QStringLiteral("the value is %1 characters long; at most %2 are taken")
            .arg(value.size())
            .arg(MaxValueLength);
    bool number = false;
    value.toDouble(&number);
    if (value.startsWith(QLatin1Char('-')) && !number)
        return QStringLiteral("\"%1\" would read as a switch").arg(value);
    const QString problem = KindProblem(kind, value);
    if (problem.isEmpty() && LooksLikePath(value))
        return QStringLiteral("\"%1\" looks like a file path").arg(value);
    return problem;
}
