#include "TBatchOptions.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <initializer_list>
#include <utility>

namespace {

bool ReadIndex(const QCommandLineParser &parser, const QCommandLineOption &option, int &value, QString &error)
{
    if (!parser.isSet(option))
        return true;
    const QString text = parser.value(option);
    bool ok = false;
    value = text.toInt(&ok);
    if (!ok || value < 0) {
        error = QStringLiteral("--%1 takes a whole number from 0, not \"%2\".").arg(option.names().constFirst(), text);
        return false;
    }
    return true;
}

// --audio: "all", or indexes separated by commas (the first is the file's first track).
bool ReadAudio(const QCommandLineParser &parser, const QCommandLineOption &option, TBatchOptions &o, QString &error)
{
    if (!parser.isSet(option))
        return true;
    const QString text = parser.value(option).trimmed();
    if (text == u"all") {
        o.AllAudio = true;
        return true;
    }
    QList<int> indexes;
    for (const QString &item : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int value = item.trimmed().toInt(&ok);
        if (!ok || value < 0) {
            error = QStringLiteral("--audio takes \"all\" or whole numbers from 0 separated by commas, not \"%1\".")
                        .arg(text);
            return false;
        }
        if (!indexes.contains(value))
            indexes << value;
    }
    o.Audio = indexes.takeFirst();
    o.MoreAudio = indexes;
    return true;
}

// An option that takes one of a few words: the item its word names; false with a message
// naming the words when it names none. An option not given leaves `value` as it is.
template <class T>
bool PickWord(const QCommandLineParser &parser, const QCommandLineOption &option,
              std::initializer_list<std::pair<const char *, T>> choices, T &value, QString &error)
{
    if (!parser.isSet(option))
        return true;
    const QString word = parser.value(option);
    QStringList words;
    for (const auto &[name, item] : choices) {
        if (word == QLatin1String(name)) {
            value = item;
            return true;
        }
        words << QLatin1String(name);
    }
    const QString last = words.takeLast();
    error = QStringLiteral("--%1 takes %2 or %3, not \"%4\".")
                .arg(option.names().constFirst(), words.join(QStringLiteral(", ")), last, word);
    return false;
}

} // namespace

bool TBatchOptions::Parse(const QStringList &arguments, TBatchOptions &options, QString &error)
{
    const auto valued = [](const char *name, const char *valueName) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(valueName));
    };
    const QCommandLineOption convert = valued("convert", "PATH");
    const QCommandLineOption output = valued("output", "DIR");
    const QCommandLineOption profile = valued("profile", "NAME");
    const QCommandLineOption entries = valued("entries", "LIST");
    const QCommandLineOption audio = valued("audio", "LIST");
    const QCommandLineOption subtitle = valued("subtitle", "N");
    const QCommandLineOption angle = valued("angle", "N");
    const QCommandLineOption start = valued("start", "TIME");
    const QCommandLineOption end = valued("end", "TIME");
    const QCommandLineOption ifExists = valued("if-exists", "MODE");
    const QCommandLineOption intermediate = valued("intermediate", "MODE");
    const QCommandLineOption marks = valued("chapter-marks", "on|off");
    const QCommandLineOption subtitleMode = valued("subtitle-mode", "burn|track");

    QCommandLineParser parser;
    // "-x" is never a cluster of short options here, and "--name=value" works as well.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({convert, output, profile, entries, audio, subtitle, angle, start, end, ifExists, intermediate,
                       marks, subtitleMode});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument \"%1\".").arg(parser.positionalArguments().constFirst());
        return false;
    }
    // Each option once: a second one would silently win or lose.
    for (const QCommandLineOption *option : {&convert, &output, &profile, &entries, &audio, &subtitle, &angle, &start,
                                             &end, &ifExists, &intermediate, &marks}) {
        if (parser.values(*option).size() > 1) {
            error = QStringLiteral("--%1 is given more than once.").arg(option->names().constFirst());
            return false;
        }
    }

    TBatchOptions o;
    o.DvdPath = parser.value(convert);
    if (o.DvdPath.isEmpty()) {
        error = QStringLiteral("--convert needs the path of a DVD.");
        return false;
    }
    // Absolute at once: listing the profiles changes the current folder.
    o.DvdPath = QFileInfo(o.DvdPath).absoluteFilePath();
    if (parser.isSet(output)) {
        if (parser.value(output).isEmpty()) {
            error = QStringLiteral("--output needs a folder.");
            return false;
        }
        o.OutputDir = QFileInfo(parser.value(output)).absoluteFilePath();
    }
    o.Profile = parser.value(profile);
    if (parser.isSet(entries)) {
        for (const QString &item : parser.value(entries).split(QLatin1Char(','))) {
            const QString name = item.trimmed();
            if (!name.isEmpty() && !o.Entries.contains(name))
                o.Entries << name;
        }
        if (o.Entries.isEmpty()) {
            error = QStringLiteral("--entries names no entry.");
            return false;
        }
    }
    if (!ReadAudio(parser, audio, o, error) || !ReadIndex(parser, subtitle, o.Subtitle, error)
        || !ReadIndex(parser, angle, o.Angle, error))
        return false;
    o.Start = parser.value(start);
    o.End = parser.value(end);
    if ((parser.isSet(start) && o.Start.isEmpty()) || (parser.isSet(end) && o.End.isEmpty())) {
        error = QStringLiteral("--start and --end need a time such as 00:01:30.");
        return false;
    }
    if (!PickWord(parser, ifExists,
                  {{"ask", IfExists::Ask},
                   {"overwrite", IfExists::Overwrite},
                   {"rename", IfExists::Rename},
                   {"skip", IfExists::Skip}},
                  o.Existing, error)
        || !PickWord(parser, intermediate,
                     {{"streamed", TBatchOptions::IntermediateKind::Streamed},
                      {"high", TBatchOptions::IntermediateKind::High},
                      {"bitrate", TBatchOptions::IntermediateKind::ProfileBitrate}},
                     o.Intermediate, error)
        || !PickWord(parser, marks, {{"on", TBatchOptions::Marks::On}, {"off", TBatchOptions::Marks::Off}},
                     o.ChapterMarks, error)
        || !PickWord(parser, subtitleMode,
                     {{"burn", TBatchOptions::SubtitleMode::Burn}, {"track", TBatchOptions::SubtitleMode::Track}},
                     o.Subtitles, error))
        return false;
    options = o;
    return true;
}
