// `quarnel --convert` as a script runs it: the built program in a program folder of its own,
// real MEncoder and FFmpeg behind the tool names, the results checked with ffprobe.

#include "../convert/ConvertTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>

#include <csignal>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

// The process group of a process, -1 when it is gone or a zombie.
qint64 ProcessGroup(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // "pid (name) state ppid pgrp ...": the name may hold anything, so count from its end.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 3 || fields.at(0) == "Z")
        return -1;
    return fields.at(2).toLongLong();
}

// Live processes in any of `groups`.
QStringList ProcessesIn(const QSet<qint64> &groups)
{
    QStringList found;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (isPid && groups.contains(ProcessGroup(pid)))
            found << entry;
    }
    return found;
}

// A program folder with the built program, the shipped profiles and preferences, and the
// two tools behind wrappers that note each start in started.log before running the real
// tool, so a test sees which pass runs and whether any ran.
class BatchProgram
{
public:
    BatchProgram()
    {
        const QString built = BuiltProgramDir() + QStringLiteral("/quarnel");
        // A hard link keeps the program's own folder the test folder; a copy where that fails.
        if (::link(QFile::encodeName(built).constData(), QFile::encodeName(exe()).constData()) != 0)
            QFile::copy(built, exe());
        WriteWrapper(QStringLiteral("asapi.dll"), QStringLiteral("mencoder"));
        WriteWrapper(QStringLiteral("wmaspi.dll"), QStringLiteral("ffmpeg"));
        QDir().mkpath(out());
    }

    QString exe() const { return folder.file(QStringLiteral("quarnel")); }
    QString out() const { return folder.file(QStringLiteral("out/")); }
    QStringList Started() const
    {
        return QString::fromLatin1(folder.readFile(QStringLiteral("started.log")))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // Processes still running with this folder in their command line (the tools name it).
    QStringList LiveTools() const
    {
        QStringList live;
        const QDir proc(QStringLiteral("/proc"));
        for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile cmdline(proc.filePath(entry + QStringLiteral("/cmdline")));
            if (!cmdline.open(QIODevice::ReadOnly))
                continue;
            QByteArray text = cmdline.readAll();
            text.replace('\0', ' ');
            QFile stat(proc.filePath(entry + QStringLiteral("/stat")));
            const bool zombie = stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
            if (!zombie && text.contains(QFile::encodeName(folder.path())))
                live << QString::fromLocal8Bit(text);
        }
        return live;
    }
    QStringList OutFiles() const { return QDir(out()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }
    // The intermediate files and their locks in the work folder (the program folder here).
    QStringList WorkFiles() const
    {
        return QDir(folder.path()).entryList({QStringLiteral("temp*")}, QDir::Files | QDir::Hidden | QDir::System);
    }
    // The process groups of the tools running from this folder now: processes with the
    // folder in their command line, apart from the program's own group.
    QSet<qint64> ToolGroups() const
    {
        QSet<qint64> groups;
        qint64 ownGroup = -1;
        const QDir proc(QStringLiteral("/proc"));
        for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile cmdline(proc.filePath(entry + QStringLiteral("/cmdline")));
            if (!cmdline.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = cmdline.readAll();
            if (!text.contains(QFile::encodeName(folder.path())))
                continue;
            const qint64 group = ProcessGroup(entry.toLongLong());
            if (text.startsWith(QByteArray(QFile::encodeName(exe()) + '\0')))
                ownGroup = group;
            else if (group > 0)
                groups << group;
        }
        groups.remove(ownGroup);
        return groups;
    }

    TestProgramFolder folder;

private:
    void WriteWrapper(const QString &name, const QString &tool)
    {
        const QString real = QStandardPaths::findExecutable(tool);
        QVERIFY2(!real.isEmpty(), qPrintable(tool));
        folder.writeFile(name, QStringLiteral("#!/bin/sh\necho \"%1\" >> \"%2started.log\"\nexec \"%3\" \"$@\"\n")
                                   .arg(name, folder.path(), real)
                                   .toUtf8());
        QFile::setPermissions(folder.file(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The tools' fence lets them write their note.
        qputenv("QUARNEL_TOOLS_MAY_WRITE", QFile::encodeName(folder.path()));
    }
};

// Everything in the output folder, hidden files (a converter's partial output) too.
QStringList OutputFolder(const BatchProgram &program)
{
    return QDir(program.out()).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

struct Line
{
    qint64 ms;
    QString text;
};

struct Outcome
{
    int exitCode = -1;
    QList<Line> lines; // standard error, with the time each line arrived
    QString Text() const
    {
        QStringList texts;
        for (const Line &l : lines)
            texts << l.text;
        return texts.join(QLatin1Char('\n'));
    }
};

// Runs `command` to its end. `during` is called every 10 ms while it runs, with the
// process id, until it returns true.
Outcome RunCommand(const QString &command, const QStringList &arguments,
                   const std::function<bool(qint64 pid)> &during = {})
{
    Outcome outcome;
    QProcess p;
    // A group of its own, as a terminal's job: a group signal reaches the program and
    // whatever shares its group.
    p.setChildProcessModifier([] { ::setpgid(0, 0); });
    QElapsedTimer clock;
    clock.start();
    QByteArray pending;
    auto readLines = [&] {
        pending += p.readAllStandardError();
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            outcome.lines << Line{clock.elapsed(), QString::fromLocal8Bit(pending.left(end))};
            pending.remove(0, end + 1);
        }
    };
    QObject::connect(&p, &QProcess::readyReadStandardError, readLines);
    p.start(command, arguments);
    if (!p.waitForStarted(10000))
        return outcome;
    bool duringDone = !during;
    while (p.state() != QProcess::NotRunning && clock.elapsed() < 240000) {
        p.waitForFinished(10);
        if (!duringDone && p.state() != QProcess::NotRunning)
            duringDone = during(p.processId());
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished();
    }
    readLines();
    outcome.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return outcome;
}

Outcome Run(const BatchProgram &program, const QStringList &arguments,
            const std::function<bool(qint64 pid)> &during = {})
{
    return RunCommand(program.exe(), QStringList{QStringLiteral("--convert")} + arguments, during);
}

QString Dvd(const char *name)
{
    return TestDvdsDir() + QLatin1Char('/') + QLatin1String(name);
}

// An image of ntsc-multi, made once a run, as a burning program makes one.
QString NtscImage()
{
    static QTemporaryDir dir;
    const QString iso = dir.filePath(QStringLiteral("ntsc-multi.iso"));
    if (!QFileInfo::exists(iso) && !MakeDvdImage(Dvd("ntsc-multi"), iso))
        return QString();
    return iso;
}

// A copy of ntsc-multi whose second title set is cut short in both copies, made once a run.
QString DamagedCopy()
{
    static QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("damaged"));
    if (!QFileInfo::exists(root)) {
        QDir().mkpath(root + QStringLiteral("/VIDEO_TS"));
        const QDir from(Dvd("ntsc-multi") + QStringLiteral("/VIDEO_TS"));
        for (const QString &name : from.entryList(QDir::Files)) {
            const QString to = root + QStringLiteral("/VIDEO_TS/") + name;
            QFile::copy(from.filePath(name), to);
            if (name.startsWith(QLatin1String("VTS_02_0.")))
                QFile(to).resize(0x300);
        }
    }
    return root;
}

// The entries' lengths as --scan reports them.
QHash<QString, double> EntryLengths(const QString &dvd)
{
    QProcess p;
    p.start(BuiltProgramDir() + QStringLiteral("/quarnel"), {QStringLiteral("--scan"), dvd});
    p.waitForFinished(60000);
    QHash<QString, double> lengths;
    for (const QJsonValue &t :
         QJsonDocument::fromJson(p.readAllStandardOutput()).object().value(QStringLiteral("Titles")).toArray()) {
        const QJsonObject title = t.toObject();
        lengths.insert(title.value(QStringLiteral("OutputName")).toString(),
                       title.value(QStringLiteral("OrigEnd")).toDouble()
                           - title.value(QStringLiteral("OrigStart")).toDouble());
        for (const QJsonValue &c : title.value(QStringLiteral("Chapters")).toArray()) {
            const QJsonObject chapter = c.toObject();
            lengths.insert(chapter.value(QStringLiteral("OutputName")).toString(),
                           chapter.value(QStringLiteral("OrigEnd")).toDouble()
                               - chapter.value(QStringLiteral("OrigStart")).toDouble());
        }
    }
    return lengths;
}

// Preferences of the window: the profile drop-down's position and the output path.
void WriteMainPreferences(const BatchProgram &program, int profileIndex, const QString &outputPath,
                          const char *more = "")
{
    program.folder.writeFile(QStringLiteral("Preferences.ini"),
                             QStringLiteral("[Main]\r\nProfile=%1\r\nOutput Path=%2\r\n%3")
                                 .arg(profileIndex)
                                 .arg(outputPath, QLatin1String(more))
                                 .toUtf8());
}

bool IsProgressLine(const QString &line)
{
    return line.contains(QStringLiteral(" current, ")) && !line.contains(QStringLiteral(" - "));
}

} // namespace

class TestBatchConversion : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(BuiltProgramDir() + QStringLiteral("/quarnel")).isExecutable(),
                 qPrintable(BuiltProgramDir()));
        QVERIFY2(QFileInfo::exists(Dvd("pal-long") + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")),
                 qPrintable(TestDvdsDir()));
    }

    // Each row: a disc, arguments, and what each file must be. The files appear in list order
    // whatever order --entries names them in.
    void converts_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("entries"); // the entries converted, in order
        // format, video codec, audio codec, width, height[, subtitle track's codec]
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<double>("tone"); // the audio's Hz; 0: not checked
        QTest::addColumn<double>("length"); // seconds; 0: the entry's own length

        QTest::newRow("defaults: the stored profile and folder, the longest title")
            << Dvd("ntsc-multi") << QStringList() << Strings({"Title01"})
            << Strings({"avi", "mpeg4", "mp3", "640", "480"}) << 500.0 << 0.0;
        QTest::newRow("chapter and title in list order, MP4, second audio track")
            << Dvd("ntsc-multi")
            << Strings({"--profile", "MP4 - H.264 Video", "--entries", "Title02,Title01-Chapter02", "--audio", "1"})
            << Strings({"Title01-Chapter02", "Title02"})
            << Strings({"mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac", "640", "480"}) << 1000.0 << 0.0;
        QTest::newRow("Matroska with a subtitle, lower-case names")
            << Dvd("pal-twolang") << Strings({"--profile=mkv - matroska video", "--entries=title01", "--subtitle=2"})
            << Strings({"Title01"}) << Strings({"matroska,webm", "h264", "", "", ""}) << 500.0 << 0.0;
        QTest::newRow("Matroska with the subtitle as a track")
            << Dvd("pal-twolang")
            << Strings({"--profile=MKV - Matroska Video", "--entries=Title01", "--subtitle=2", "--subtitle-mode=track"})
            << Strings({"Title01"}) << Strings({"matroska,webm", "h264", "", "", "", "dvd_subtitle"}) << 500.0 << 0.0;
        QTest::newRow("a chapter of an image")
            << NtscImage() << Strings({"--profile", "AVI - MPEG-4 Video", "--entries", "Title01-Chapter02"})
            << Strings({"Title01-Chapter02"}) << Strings({"avi", "mpeg4", "mp3", "640", "480"}) << 500.0 << 0.0;
        QTest::newRow("trimmed, WebM") << Dvd(
            "pal-long") << Strings({"--profile", "WebM Video", "--start", "00:00:05", "--end", "00:00:12"})
                                       << Strings({"Title01"}) << Strings({"matroska,webm", "vp8", "vorbis", "", ""})
                                       << 500.0 << 7.0;
    }
    void converts()
    {
        QFETCH(QString, dvd);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, expected);
        QFETCH(double, tone);
        QFETCH(double, length);
        BatchProgram program;
        WriteMainPreferences(program, 0, program.out());
        const Outcome run = Run(program, QStringList{dvd} + arguments);
        QVERIFY2(run.exitCode == 0, qPrintable(run.Text()));

        const QHash<QString, double> lengths = EntryLengths(dvd);
        const QString ext = expected.at(0) == u"avi"          ? QStringLiteral(".avi")
                          : expected.at(0).startsWith(u"mov") ? QStringLiteral(".mp4")
                          : expected.at(1) == u"vp8"          ? QStringLiteral(".webm")
                                                              : QStringLiteral(".mkv");
        QStringList made;
        for (const Line &line : run.lines) {
            if (line.text.contains(QStringLiteral(" - made ")))
                made << line.text.section(QStringLiteral(" - made "), 1);
        }
        QStringList files;
        for (const QString &entry : entries)
            files << program.out() + entry + ext;
        QCOMPARE(made, files); // a final line per entry, in list order
        QCOMPARE(program.OutFiles().size(), entries.size());

        for (const QString &entry : entries) {
            const QString file = program.out() + entry + ext;
            const QHash<QString, QString> facts = Probe(file);
            QCOMPARE(facts.value(QStringLiteral("format_name")), expected.at(0));
            QCOMPARE(facts.value(QStringLiteral("video.codec_name")), expected.at(1));
            if (!expected.at(2).isEmpty())
                QCOMPARE(facts.value(QStringLiteral("audio.codec_name")), expected.at(2));
            if (!expected.at(3).isEmpty()) {
                QCOMPARE(facts.value(QStringLiteral("video.width")), expected.at(3));
                QCOMPARE(facts.value(QStringLiteral("video.height")), expected.at(4));
            }
            const double want = length > 0 ? length : lengths.value(entry);
            const double got = facts.value(QStringLiteral("duration")).toDouble();
            QVERIFY2(qAbs(got - want) <= 0.6,
                     qPrintable(QStringLiteral("%1: %2 s, expected %3 s").arg(entry).arg(got).arg(want)));
            if (tone > 0)
                QVERIFY2(qAbs(DominantFrequency(file) - tone) < tone * 0.1, qPrintable(entry));
            QCOMPARE(facts.value(QStringLiteral("subtitle.codec_name")), expected.value(5));
        }

        // Progress lines a second apart at most; the last line says all is done.
        qint64 previous = -1;
        for (const Line &line : run.lines) {
            if (!IsProgressLine(line.text))
                continue;
            QVERIFY2(line.text.startsWith(entries.constFirst()) || line.text.startsWith(entries.constLast()),
                     qPrintable(line.text));
            // Lines may arrive a little bunched by the pipe; they leave the program 1000 ms apart.
            if (previous >= 0)
                QVERIFY2(line.ms - previous >= 800, qPrintable(run.Text()));
            previous = line.ms;
        }
        QCOMPARE(run.lines.constLast().text, QStringLiteral("The conversion is completed successfully."));
        QVERIFY(!QFileInfo::exists(program.folder.file(QStringLiteral("temp.avi"))));
        QVERIFY(program.LiveTools().isEmpty());
    }

    // An output file that exists already: each rule, and the stored rule's default.
    void existingFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("preferences"); // more lines of [Main]
        QTest::addColumn<QStringList>("files"); // what the folder holds afterwards
        QTest::addColumn<bool>("oldKept");
        QTest::addColumn<QString>("line"); // the entry's final line ends with this

        QTest::newRow("overwrite") << Strings({"--if-exists", "overwrite"}) << QByteArray() << Strings({"Title01.avi"})
                                   << false << QStringLiteral("made %1Title01.avi");
        QTest::newRow("rename") << Strings({"--if-exists", "rename"}) << QByteArray()
                                << Strings({"Title01-1.avi", "Title01.avi"}) << true
                                << QStringLiteral("made %1Title01-1.avi");
        QTest::newRow("skip") << Strings({"--if-exists", "skip"}) << QByteArray() << Strings({"Title01.avi"}) << true
                              << QStringLiteral("skipped, %1Title01.avi exists");
        QTest::newRow("the stored rule: rename")
            << QStringList() << QByteArray("Ask=0\r\nOverwrite=0\r\n") << Strings({"Title01-1.avi", "Title01.avi"})
            << true << QStringLiteral("made %1Title01-1.avi");
        QTest::newRow("the stored rule: overwrite wins over ask")
            << QStringList() << QByteArray("Ask=1\r\nOverwrite=1\r\n") << Strings({"Title01.avi"}) << false
            << QStringLiteral("made %1Title01.avi");
    }
    void existingFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, preferences);
        QFETCH(QStringList, files);
        QFETCH(bool, oldKept);
        QFETCH(QString, line);
        BatchProgram program;
        WriteMainPreferences(program, 0, program.out(), preferences.constData());
        const QByteArray old = "an older file";
        program.folder.writeFile(QStringLiteral("out/Title01.avi"), old);
        const Outcome run = Run(program, QStringList{Dvd("pal-simple")} + arguments);
        QVERIFY2(run.exitCode == 0, qPrintable(run.Text()));
        QCOMPARE(program.OutFiles(), files);
        QCOMPARE(program.folder.readFile(QStringLiteral("out/Title01.avi")) == old, oldKept);
        QVERIFY2(run.Text().contains(QStringLiteral(" - ") + line.arg(program.out())), qPrintable(run.Text()));
    }

    // "ask" on a terminal: the question is asked there and the answer taken. `script` gives
    // the program a terminal of its own.
    void askOnTerminal_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("oldKept");
        QTest::newRow("yes overwrites") << QByteArray("y\n") << false;
        QTest::newRow("anything else skips") << QByteArray("\n") << true;
    }
    void askOnTerminal()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, oldKept);
        if (QStandardPaths::findExecutable(QStringLiteral("script")).isEmpty())
            QSKIP("no script(1) to give the program a terminal");
        BatchProgram program;
        const QByteArray old = "an older file";
        program.folder.writeFile(QStringLiteral("out/Title01.avi"), old);
        QStringList command{program.exe(),
                            QStringLiteral("--convert"),
                            Dvd("pal-simple"),
                            QStringLiteral("--output"),
                            program.out(),
                            QStringLiteral("--profile"),
                            QStringLiteral("AVI - MPEG-4 Video"),
                            QStringLiteral("--if-exists"),
                            QStringLiteral("ask")};
        for (QString &c : command)
            c = QLatin1Char('\'') + c + QLatin1Char('\'');
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("script"),
                {QStringLiteral("-qec"), command.join(QLatin1Char(' ')), QStringLiteral("/dev/null")});
        QByteArray seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen += p.readAll()).contains("[y/N]"), 30000);
        p.write(answer);
        QVERIFY(p.waitForFinished(120000));
        seen += p.readAll();
        QVERIFY2(p.exitCode() == 0, seen.constData());
        QCOMPARE(program.folder.readFile(QStringLiteral("out/Title01.avi")) == old, oldKept);
        QVERIFY2(seen.contains(oldKept ? " - skipped, " : " - made "), seen.constData());
    }

    // Two conversions at once from one program folder share its work folder: neither may
    // write into or delete the other's intermediate file.
    void twoAtOnce()
    {
        BatchProgram program;
        const QString second = program.folder.file(QStringLiteral("out2/"));
        QDir().mkpath(second);
        // Different discs: the shorter run ends while the longer one still encodes.
        const QList<std::pair<QString, double>> runs{{Dvd("pal-long"), 30}, {Dvd("pal-simple"), 6}};
        QList<QProcess *> processes;
        for (int i = 0; i < runs.size(); ++i) {
            auto *p = new QProcess(this);
            p->setProcessChannelMode(QProcess::MergedChannels);
            p->start(program.exe(), {QStringLiteral("--convert"), runs.at(i).first, QStringLiteral("--output"),
                                     i == 0 ? program.out() : second, QStringLiteral("--profile"),
                                     QStringLiteral("MP4 - H.264 Video")});
            processes << p;
        }
        for (QProcess *p : processes) {
            QVERIFY(p->waitForFinished(120000));
            const QByteArray log = p->readAll();
            QVERIFY2(p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0, log.constData());
            delete p;
        }
        for (int i = 0; i < runs.size(); ++i) {
            const QString file = (i == 0 ? program.out() : second) + QStringLiteral("Title01.mp4");
            const double length = Probe(file).value(QStringLiteral("duration")).toDouble();
            QVERIFY2(qAbs(length - runs.at(i).second) <= 0.6,
                     qPrintable(QStringLiteral("%1: %2 s").arg(file).arg(length)));
        }
        QCOMPARE(QDir(program.folder.path()).entryList({QStringLiteral("temp*")}, QDir::Files), QStringList());
    }

    // One entry cannot be made (its file's place is taken by a folder): the other is made,
    // the failure is named, and the status says so.
    void someFail()
    {
        BatchProgram program;
        QDir().mkpath(program.out() + QStringLiteral("Title01-Chapter01.avi"));
        const Outcome run =
            Run(program, {Dvd("pal-simple"), QStringLiteral("--output"), program.out(), QStringLiteral("--profile"),
                          QStringLiteral("AVI - MPEG-4 Video"), QStringLiteral("--entries"),
                          QStringLiteral("Title01-Chapter01,Title01-Chapter02"), QStringLiteral("--if-exists"),
                          QStringLiteral("overwrite")});
        QVERIFY2(run.exitCode == 1, qPrintable(run.Text()));
        const QString text = run.Text();
        QVERIFY2(text.contains(QRegularExpression(
                     QStringLiteral("^Title01-Chapter01: .* - failed: a folder has the file's name$"),
                     QRegularExpression::MultilineOption)),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral(" - made ") + program.out() + QStringLiteral("Title01-Chapter02.avi")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("1 file could not be made:\n") + program.out()
                               + QStringLiteral("Title01-Chapter01.avi (")),
                 qPrintable(text));
        QVERIFY(program.LiveTools().isEmpty());
    }

    // Four scripts converting into one folder at once, each told to rename: four files, each
    // named by one run alone, each whole, and each run names the file it made.
    void concurrentRunsKeepTheirOwnFiles()
    {
        BatchProgram program;
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < 4; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            runs.back()->start(program.exe(),
                               {QStringLiteral("--convert"), Dvd("pal-simple"), QStringLiteral("--output"),
                                program.out(), QStringLiteral("--profile"), QStringLiteral("AVI - MPEG-4 Video"),
                                QStringLiteral("--entries"), QStringLiteral("Title01-Chapter02"),
                                QStringLiteral("--if-exists"), QStringLiteral("rename")});
        }
        QStringList made;
        const QRegularExpression madeLine(QStringLiteral("^Title01-Chapter02: .* - made (.*)$"),
                                          QRegularExpression::MultilineOption);
        for (auto &run : runs) {
            QVERIFY(run->waitForFinished(240000));
            const QString text = QString::fromLocal8Bit(run->readAllStandardError());
            QVERIFY2(run->exitCode() == 0, qPrintable(text));
            const QRegularExpressionMatch m = madeLine.match(text);
            QVERIFY2(m.hasMatch(), qPrintable(text));
            made << m.captured(1);
        }
        made.sort();
        QCOMPARE(QSet<QString>(made.begin(), made.end()).size(), 4);
        QStringList names;
        for (const QString &file : std::as_const(made)) {
            names << QFileInfo(file).fileName();
            const double duration = Probe(file).value(QStringLiteral("duration")).toDouble();
            QVERIFY2(qAbs(duration - 2.0) < 0.25, qPrintable(file + QStringLiteral(": ") + QString::number(duration)));
        }
        QCOMPARE(OutputFolder(program), names); // nothing else, no partial file
        QCOMPARE(program.WorkFiles(), QStringList());
        QVERIFY(program.LiveTools().isEmpty());
    }

    // Ctrl+C (to the program's group, as a terminal sends it) or SIGTERM in each pass: the
    // cancel path, status 130, no tool left running, no intermediate file left.
    void interrupted_data()
    {
        // The tool start to wait for, through a file: 1 pre-pass, 2 encoder, 3 the check of its
        // file, 4 transcoder; streamed: 1 pre-pass, 2 transcoder, 3 encoder.
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<QString>("intermediate");
        const QString file = QStringLiteral("high"), streamed = QStringLiteral("streamed");
        QTest::newRow("Ctrl+C in the pre-pass") << 1 << int(SIGINT) << false << file;
        QTest::newRow("Ctrl+C in the encoder pass") << 2 << int(SIGINT) << false << file;
        QTest::newRow("Ctrl+C in the transcoder pass") << 4 << int(SIGINT) << false << file;
        QTest::newRow("SIGTERM in the encoder pass") << 2 << int(SIGTERM) << false << file;
        QTest::newRow("SIGTERM in the transcoder pass") << 4 << int(SIGTERM) << false << file;
        QTest::newRow("Ctrl+C twice in the encoder pass") << 2 << int(SIGINT) << true << file;
        QTest::newRow("Ctrl+C while both stream") << 3 << int(SIGINT) << false << streamed;
        QTest::newRow("SIGTERM while both stream") << 3 << int(SIGTERM) << false << streamed;
    }
    void interrupted()
    {
        QFETCH(int, starts);
        QFETCH(int, signalNumber);
        QFETCH(bool, twice);
        QFETCH(QString, intermediate);
        BatchProgram program;
        const Outcome run =
            Run(program,
                {Dvd("pal-long"), QStringLiteral("--output"), program.out(), QStringLiteral("--profile"),
                 QStringLiteral("MP4 - H.264 Video"), QStringLiteral("--intermediate"), intermediate},
                [&](qint64 pid) {
                    if (program.Started().size() < starts)
                        return false;
                    // The group for Ctrl+C, the program alone for SIGTERM.
                    ::kill(signalNumber == SIGINT ? -pid : pid, signalNumber);
                    if (twice) {
                        QTest::qWait(50);
                        ::kill(-pid, signalNumber);
                    }
                    return true;
                });
        QVERIFY2(run.exitCode == 130, qPrintable(run.Text()));
        QVERIFY2(program.Started().size() == starts, qPrintable(program.Started().join(QLatin1Char(' '))));
        const QString text = run.Text();
        // Cancelled, not failed: the tools do not see the signal and end only when killed.
        QVERIFY2(text.contains(QStringLiteral("Title01: ")) && text.contains(QStringLiteral(" - cancelled\n")),
                 qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral(" - failed")), qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("The conversion is canceled.")), qPrintable(text));
        QVERIFY(!QFileInfo::exists(program.folder.file(QStringLiteral("temp.avi"))));
        QCOMPARE(program.WorkFiles(), QStringList());
        // Killed children are gone within moments; none may live on.
        QTRY_VERIFY_WITH_TIMEOUT(program.LiveTools().isEmpty(), 3000);
    }

    // An output folder named in bytes that are not UTF-8 (made on an older system): the file
    // is made in it, and the lines name it as the terminal shows it.
    void outputFolderNotUtf8()
    {
        BatchProgram program;
        const QByteArray folder = QFile::encodeName(program.out()) + "caf\xe9";
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        const Outcome run = RunCommand(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral("exec \"$0\" --convert \"$1\" --output \"$2$(printf 'caf\\351')\" --profile \"MP4 - H.264 "
                            "Video\" --if-exists overwrite"),
             program.exe(), Dvd("pal-simple"), program.out()});
        QVERIFY2(run.exitCode == 0, qPrintable(run.Text()));
        struct stat made;
        QVERIFY2(::stat(QByteArray(folder + "/Title01.mp4").constData(), &made) == 0 && made.st_size > 0, qPrintable(run.Text()));
        QVERIFY2(run.Text().contains(QStringLiteral("made ") + program.out() + QStringLiteral("caf\uFFFD/Title01.mp4")),
                 qPrintable(run.Text()));
    }

    // A reader stuck for good in a read of the disc (a dying drive, a hung network folder)
    // holds up the cancel path; a signal still ends the program within a few seconds, with
    // status 130 and no tool left running.
    void stuckReaderStillEnds()
    {
        BatchProgram program;
        qputenv("LD_PRELOAD", STUCK_READS_LIBRARY);
        QElapsedTimer sent;
        const Outcome run = Run(program,
                                {Dvd("pal-long"), QStringLiteral("--output"), program.out(), QStringLiteral("--profile"),
                                 QStringLiteral("MP4 - H.264 Video")},
                                [&](qint64 pid) {
                                    if (!sent.isValid()) {
                                        sent.start(); // first call: the program has started
                                        return false;
                                    }
                                    if (sent.elapsed() < 1500)
                                        return false;
                                    ::kill(pid_t(pid), SIGTERM);
                                    sent.restart();
                                    return true;
                                });
        qunsetenv("LD_PRELOAD");
        const qint64 took = sent.elapsed();
        QVERIFY2(run.exitCode == 130, qPrintable(run.Text()));
        QVERIFY2(took < 4000, qPrintable(QString::number(took)));
        QTRY_VERIFY_WITH_TIMEOUT(program.LiveTools().isEmpty(), 3000);
    }

    // A signal from the program's first moments on, before it has read its arguments or the
    // disc: the cancel path all the same, status 130, nothing started. "held": the moment the
    // program holds the signals back (once the loader has mapped its libraries, before any of
    // their initialisation), seen in /proc.
    void interruptedAtOnce_data()
    {
        // Counted from the point where the program holds its signals: before it, the dynamic
        // loader runs and a signal's default action is not the program's to change.
        QTest::addColumn<int>("delayMs");
        QTest::newRow("as soon as the signals are held") << 0;
        QTest::newRow("20 ms after the signals are held") << 20;
    }
    void interruptedAtOnce()
    {
        QFETCH(int, delayMs);
        BatchProgram program;
        QProcess p;
        p.start(program.exe(),
                {QStringLiteral("--convert"), Dvd("pal-long"), QStringLiteral("--output"), program.out()});
        QVERIFY(p.waitForStarted(10000));
        const QString status = QStringLiteral("/proc/%1/status").arg(p.processId());
        // SIGHUP, SIGINT, SIGPIPE and SIGTERM: bits 0, 1, 12 and 14.
        const quint64 ours = 0x5003;
        auto held = [&] {
            QFile file(status);
            if (!file.open(QIODevice::ReadOnly))
                return true; // gone already: the check below says how
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith("SigBlk:") || line.startsWith("SigCgt:")) {
                    if ((line.mid(7).trimmed().toULongLong(nullptr, 16) & ours) == ours)
                        return true;
                }
            }
            return false;
        };
        QElapsedTimer clock;
        clock.start();
        while (!held() && clock.elapsed() < 10000) { }
        QThread::msleep(delayMs);
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(60000));
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY2(p.exitCode() == 130, err.constData());
        QVERIFY2(err.endsWith("The conversion is canceled.\n"), err.constData());
        QVERIFY(program.OutFiles().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(program.LiveTools().isEmpty(), 3000);
    }

    // The terminal closes (SIGHUP to the program's group, as the terminal sends it), or the
    // reader of the output goes away (`| head`, SIGPIPE on the next line): the cancel path
    // as for Ctrl+C, not death where the program stands with the tools running on.
    void outputGone_data()
    {
        QTest::addColumn<QString>("when");
        QTest::newRow("terminal closed in the encoder pass") << QStringLiteral("encoder");
        QTest::newRow("terminal closed while the converter writes") << QStringLiteral("converter");
        QTest::newRow("output piped into a reader that leaves") << QStringLiteral("pipe");
    }
    void outputGone()
    {
        QFETCH(QString, when);
        BatchProgram program;
        const QStringList arguments{QStringLiteral("--convert"),      Dvd("pal-long"),
                                    QStringLiteral("--output"),       program.out(),
                                    QStringLiteral("--profile"),      QStringLiteral("MP4 - H.264 Video"),
                                    QStringLiteral("--intermediate"), QStringLiteral("high")};
        QSet<qint64> toolGroups;
        Outcome run;
        if (when != u"pipe") {
            run = RunCommand(program.exe(), arguments, [&](qint64 pid) {
                toolGroups += program.ToolGroups();
                if (toolGroups.isEmpty())
                    return false;
                // The converter once its output exists, so that there is a partial file to delete.
                if (when == u"encoder" ? program.Started().size() < 2 : OutputFolder(program).isEmpty())
                    return false;
                ::kill(-pid, SIGHUP);
                return true;
            });
        } else {
            // head takes the first progress line and leaves; the program's status goes to a file.
            const QString status = program.folder.file(QStringLiteral("status"));
            run = RunCommand(QStringLiteral("/bin/sh"),
                             QStringList{QStringLiteral("-c"),
                                         QStringLiteral("{ \"$@\" 2>&1; echo $? >\"$0\"; } | head -n 1"), status,
                                         program.exe()}
                                 + arguments,
                             [&](qint64) {
                                 toolGroups += program.ToolGroups();
                                 return false;
                             });
            QCOMPARE(run.exitCode, 0);
            run.exitCode = program.folder.readFile(QStringLiteral("status")).trimmed().toInt();
        }
        QVERIFY2(run.exitCode == 130, qPrintable(run.Text()));
        QVERIFY2(!toolGroups.isEmpty(), qPrintable(run.Text()));
        if (when == u"encoder")
            QVERIFY2(program.Started().size() == 2, qPrintable(program.Started().join(QLatin1Char(' '))));
        if (when != u"pipe")
            QVERIFY2(run.Text().endsWith(QStringLiteral(" - cancelled\nThe conversion is canceled.")),
                     qPrintable(run.Text()));
        QCOMPARE(program.WorkFiles(), QStringList());
        QCOMPARE(OutputFolder(program), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(ProcessesIn(toolGroups).isEmpty(), 3000);
        QVERIFY(program.LiveTools().isEmpty());
    }

    // Anything wrong before the start: status 2, a message naming the problem, and no tool
    // ever started.
    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --convert; "OUT" is the output folder
        QTest::addColumn<QString>("message");

        QTest::newRow("no path") << QStringList() << QStringLiteral("Missing value after '--convert'");
        QTest::newRow("unknown option") << Strings({"DVD", "--volume", "X"})
                                        << QStringLiteral("Unknown option 'volume'");
        QTest::newRow("extra argument") << Strings({"DVD", "more"}) << QStringLiteral("Unexpected argument \"more\"");
        QTest::newRow("option twice") << Strings({"DVD", "--audio", "0", "--audio=1"})
                                      << QStringLiteral("--audio is given more than once");
        QTest::newRow("audio not a number")
            << Strings({"DVD", "--audio", "two"}) << QStringLiteral("--audio takes \"all\" or whole numbers from 0 separated by commas, not \"two\".");
        QTest::newRow("negative subtitle")
            << Strings({"DVD", "--subtitle=-1"}) << QStringLiteral("--subtitle takes a whole number from 0");
        QTest::newRow("unknown rule") << Strings({"DVD", "--if-exists", "sometimes"})
                                      << QStringLiteral("--if-exists takes ask, overwrite, rename or skip");
        QTest::newRow("unknown intermediate") << Strings({"DVD", "--intermediate", "fast"})
                                              << QStringLiteral("--intermediate takes streamed, high or bitrate");
        QTest::newRow("chapter marks neither on nor off")
            << Strings({"DVD", "--chapter-marks", "yes"}) << QStringLiteral("--chapter-marks takes on or off");
        QTest::newRow("subtitle mode neither burn nor track")
            << Strings({"DVD", "--subtitle-mode", "soft"}) << QStringLiteral("--subtitle-mode takes burn or track");
        QTest::newRow("empty entry list")
            << Strings({"DVD", "--entries", " , "}) << QStringLiteral("--entries names no entry");
        QTest::newRow("no such path") << Strings({"/nonexistent/dvd"})
                                      << QStringLiteral("Cannot open \"/nonexistent/dvd\"");
        QTest::newRow("not a DVD") << Strings({"OUT"}) << QStringLiteral("VIDEO_TS.IFO\" does not exist");
        QTest::newRow("unknown profile")
            << Strings({"DVD", "--profile", "Nothing"})
            << QStringLiteral("There is no profile named \"Nothing\". The profiles are: AVI - MPEG-4 Video, ");
        QTest::newRow("entry of a title set left out")
            << Strings({"DAMAGED", "--entries", "Title04"})
            << QStringLiteral("quarnel: Title set 2 is left out (Title04, Title05). The file %1/VIDEO_TS/VTS_02_0.IFO")
                   .arg(DamagedCopy());
        QTest::newRow("unknown entry")
            << Strings({"DVD", "--entries", "Title01,Title09"})
            << QStringLiteral("There is no entry named \"Title09\" on this DVD: its titles are Title01 to Title05");
        QTest::newRow("unknown entry of a one-title disc")
            << Strings({"ONE", "--entries", "Title02"})
            << QStringLiteral("There is no entry named \"Title02\" on this DVD: its only title is Title01, their "
                              "chapters Title01-Chapter01 and so on.");
        QTest::newRow("audio out of range") << Strings({"DVD", "--entries", "Title03", "--audio", "2"})
                                            << QStringLiteral("--audio 2 is out of range: Title03 offers 0 to 1.");
        QTest::newRow("angle out of range")
            << Strings({"DVD", "--angle", "1"}) << QStringLiteral("--angle 1 is out of range: Title01 offers only 0.");
        QTest::newRow("trim of two entries") << Strings({"DVD", "--entries", "Title01,Title02", "--start", "00:00:01"})
                                             << QStringLiteral("--start and --end trim a single entry");
        QTest::newRow("trim start after the entry")
            << Strings({"DVD", "--start", "00:00:07"})
            << QStringLiteral(
                   "The start \"00:00:07\" is no time within the entry: Title01 runs from 00:00:00 to 00:00:06.");
        QTest::newRow("trim start not a time")
            << Strings({"DVD", "--start", "soon"}) << QStringLiteral("The start \"soon\" is no time");
        QTest::newRow("trim end before start")
            << Strings({"DVD", "--start", "00:00:04", "--end", "00:00:03"})
            << QStringLiteral("The start \"00:00:04\" does not lie before the end \"00:00:03\".");
        QTest::newRow("missing output folder")
            << Strings({"DVD", "--output", "OUT/missing/"})
            << QStringLiteral("The output path does not exist. Please specify another one.");
        QTest::newRow("output folder that is a file")
            << Strings({"DVD", "--output", "OUT/Title02.avi"})
            << QStringLiteral("Title02.avi is a file, not a folder. Please specify another one.");
        QTest::newRow("ask without a terminal")
            << Strings({"DVD", "--if-exists", "ask"}) << QStringLiteral("--if-exists ask needs a terminal to ask on");
        QTest::newRow("stored ask, an existing file, no terminal")
            << Strings({"DVD", "--output", "OUT", "--entries", "Title02"})
            << QStringLiteral("Title02.avi\" exists and the preferences say to ask before overwriting it");
    }
    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        BatchProgram program;
        // No stored preferences: the program folder is the output folder, the first profile
        // the profile, and the rule is to ask.
        QFile::remove(program.folder.file(QStringLiteral("Preferences.ini")));
        program.folder.writeFile(QStringLiteral("out/Title02.avi"), "exists");
        for (QString &a : arguments) {
            if (a == u"DVD")
                a = Dvd("ntsc-multi");
            else if (a == u"DAMAGED")
                a = DamagedCopy();
            else if (a == u"ONE")
                a = Dvd("pal-long");
            a.replace(QStringLiteral("OUT"), program.out());
        }
        const Outcome run = Run(program, arguments);
        QVERIFY2(run.exitCode == 2, qPrintable(run.Text()));
        QVERIFY2(run.Text().contains(message), qPrintable(run.Text()));
        QVERIFY2(program.Started().isEmpty(), qPrintable(program.Started().join(QLatin1Char(' '))));
        QCOMPARE(program.OutFiles(), Strings({"Title02.avi"}));
    }

    void helpDocumentsConvert()
    {
        QProcess p;
        p.start(BuiltProgramDir() + QStringLiteral("/quarnel"), {QStringLiteral("--help")});
        QVERIFY(p.waitForFinished(10000));
        const QString help = QString::fromLocal8Bit(p.readAllStandardOutput());
        for (const char *option : {"--convert PATH", "--output DIR", "--profile NAME", "--entries LIST", "--audio LIST",
                                   "--subtitle N", "--start TIME", "--end TIME", "--if-exists MODE", "130"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
    }
};

QTEST_GUILESS_MAIN(TestBatchConversion)
#include "TestBatchConversion.moc"
