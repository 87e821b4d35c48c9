#include "FileSizeLimit.h"
#include "TestSupport.h"

#include "core/AppFolders.h"
#include "core/EQuarnelError.h"
#include "profiles/MainPreferences.h"
#include "profiles/TIniFile.h"
#include "profiles/TNewInifile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
const QString Def = QStringLiteral("DEF");
} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString Path(const QString &name) const { return m_dir.filePath(name); }

    TIniFile IniOver(const QByteArray &bytes, const QString &name = QStringLiteral("test.ini"))
    {
        WriteBytes(Path(name), bytes);
        return TIniFile(Path(name));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Read whole: a value cut without a word would run a different profile than the one written.
    void valuesAreReadWhole()
    {
        const QString accented = QString::fromUtf8("\xC3\xA9");
        const QByteArray file = "[P]\r\nLong=" + QByteArray(3000, 'x') + "\r\nJust=" + QByteArray(2047, 'y')
                              + "\r\nWide=" + accented.repeated(3000).toUtf8() + "\r\n";
        const TIniFile ini = IniOver(file);
        QCOMPARE(ini.ReadString(QStringLiteral("P"), QStringLiteral("Long"), Def), QString(3000, QLatin1Char('x')));
        QCOMPARE(ini.ReadString(QStringLiteral("P"), QStringLiteral("Just"), Def), QString(2047, QLatin1Char('y')));
        QCOMPARE(ini.ReadString(QStringLiteral("P"), QStringLiteral("Wide"), Def), accented.repeated(3000));
    }

    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");

        QTest::newRow("decimal") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-7") << -7;
        QTest::newRow("0x hex") << QByteArray("0x1F") << 31;
        QTest::newRow("dollar hex") << QByteArray("$1F") << 5;
        QTest::newRow("blanks around the number") << QByteArray("  12 ") << 12;
        QTest::newRow("digits then letters") << QByteArray("12ab") << 5;
        QTest::newRow("empty") << QByteArray("") << 5;
        QTest::newRow("too large") << QByteArray("2147483648") << 5;
    }

    void readInteger()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        const TIniFile ini = IniOver("[S]\r\nK=" + value + "\r\n");
        QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("K"), 5), expected);
        QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("Missing"), 5), 5);
    }

    void readBool_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("def");
        QTest::addColumn<bool>("expected");

        QTest::newRow("1") << QByteArray("[S]\r\nK=1\r\n") << false << true;
        QTest::newRow("0") << QByteArray("[S]\r\nK=0\r\n") << true << false;
        QTest::newRow("2") << QByteArray("[S]\r\nK=2\r\n") << false << true;
        QTest::newRow("0x0") << QByteArray("[S]\r\nK=0x0\r\n") << true << false;
        QTest::newRow("word true, default false") << QByteArray("[S]\r\nK=true\r\n") << false << false;
        QTest::newRow("word true, default true") << QByteArray("[S]\r\nK=true\r\n") << true << true;
        QTest::newRow("missing, default true") << QByteArray("[S]\r\n") << true << true;
        QTest::newRow("missing, default false") << QByteArray("[S]\r\n") << false << false;
    }

    void readBool()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, def);
        QFETCH(bool, expected);
        QCOMPARE(IniOver(file).ReadBool(QStringLiteral("S"), QStringLiteral("K"), def), expected);
    }

    void missingFileGivesDefaults()
    {
        const TIniFile ini(Path(QStringLiteral("none.ini")));
        QCOMPARE(ini.ReadString(QStringLiteral("Main"), QStringLiteral("Version"), QStringLiteral("2.0")),
                 QStringLiteral("2.0"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("Profile"), 0), 0);
        QCOMPARE(ini.ReadBool(QStringLiteral("Main"), QStringLiteral("FirstUse"), true), true);
        QVERIFY(!QFileInfo::exists(Path(QStringLiteral("none.ini"))));
    }

    // writes: section, key, value triples in the order of writing.
    void writes_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("existing key replaced in place, the rest byte for byte")
            << true << QByteArray("junk\n[Main]\r\nA=1\r\n  type = mp4 \r\nB=2\n\n[Other]\rType=x")
            << Strings({"MAIN", "Type", "avi"})
            << QByteArray("junk\n[Main]\r\nA=1\r\nType=avi\r\nB=2\n\n[Other]\rType=x");
        QTest::newRow("missing key after the last value line, before blank lines")
            << true << QByteArray("[Main]\r\nA=1\r\n\r\n \r\n[Other]\r\nB=2\r\n") << Strings({"Main", "C", "3"})
            << QByteArray("[Main]\r\nA=1\r\nC=3\r\n\r\n \r\n[Other]\r\nB=2\r\n");
        QTest::newRow("missing key in a section without lines")
            << true << QByteArray("[Main]\r\n[Other]\r\n") << Strings({"Main", "A", "1"})
            << QByteArray("[Main]\r\nA=1\r\n[Other]\r\n");
        QTest::newRow("missing key at the end of a file without final line end")
            << true << QByteArray("[Main]\r\nA=1") << Strings({"Main", "B", "2"})
            << QByteArray("[Main]\r\nA=1\r\nB=2\r\n");
        QTest::newRow("missing section at the end of the file")
            << true << QByteArray("[Main]\r\nA=1") << Strings({"New", "K", "v"})
            << QByteArray("[Main]\r\nA=1\r\n[New]\r\nK=v\r\n");
        QTest::newRow("keys keep the order of writing")
            << true << QByteArray("") << Strings({"S", "A", "1", "S", "B", "2", "S", "A", "3"})
            << QByteArray("[S]\r\nA=3\r\nB=2\r\n");
        QTest::newRow("missing file is created")
            << false << QByteArray() << Strings({"Main", "FirstUse", "0"}) << QByteArray("[Main]\r\nFirstUse=0\r\n");
        QTest::newRow("whole-name match leaves SubType alone")
            << true << QByteArray("[Main]\r\nSubType=avi\r\n") << Strings({"Main", "Type", "mp4"})
            << QByteArray("[Main]\r\nSubType=avi\r\nType=mp4\r\n");
        QTest::newRow("blanks around the caller's names are dropped")
            << true << QByteArray("") << Strings({" S ", " K ", "v"}) << QByteArray("[S]\r\nK=v\r\n");
        QTest::newRow("byte order mark and bytes that are not UTF-8 stay")
            << true << QByteArray("\xEF\xBB\xBF[Main]\r\nName=\xE9\xFF\r\n") << Strings({"Main", "Type", "x"})
            << QByteArray("\xEF\xBB\xBF[Main]\r\nName=\xE9\xFF\r\nType=x\r\n");
        QTest::newRow("text beyond ASCII is written as UTF-8")
            << true << QByteArray("") << Strings({"S", "P", "/home/Vid\xC3\xA9os"})
            << QByteArray("[S]\r\nP=/home/Vid\xC3\xA9os\r\n");
        QTest::newRow("line breaks in a value become blanks")
            << true << QByteArray("") << Strings({"S", "V", "a\r\nb"}) << QByteArray("[S]\r\nV=a  b\r\n");
    }

    void writes()
    {
        QFETCH(bool, exists);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, writes);
        QFETCH(QByteArray, expected);
        const QString path = Path(QStringLiteral("write.ini"));
        QFile::remove(path);
        if (exists)
            WriteBytes(path, file);
        TIniFile ini(path);
        for (int i = 0; i + 2 < writes.size(); i += 3)
            ini.WriteString(writes.at(i), writes.at(i + 1), writes.at(i + 2));
        QCOMPARE(ReadBytes(path), expected);
        const QString lastValue = QString(writes.last())
                                      .replace(QLatin1Char('\r'), QLatin1Char(' '))
                                      .replace(QLatin1Char('\n'), QLatin1Char(' '));
        QCOMPARE(ini.ReadString(writes.at(writes.size() - 3), writes.at(writes.size() - 2), Def), lastValue);
    }

    void writeIntegerAndBool()
    {
        const QString path = Path(QStringLiteral("numbers.ini"));
        QFile::remove(path);
        TIniFile ini(path);
        ini.WriteInteger(QStringLiteral("S"), QStringLiteral("N"), -5);
        ini.WriteBool(QStringLiteral("S"), QStringLiteral("T"), true);
        ini.WriteBool(QStringLiteral("S"), QStringLiteral("F"), false);
        QCOMPARE(ReadBytes(path), QByteArray("[S]\r\nN=-5\r\nT=1\r\nF=0\r\n"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("N"), 0), -5);
        QCOMPARE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("T"), false), true);
        QCOMPARE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("F"), true), false);
    }

    void unwritableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder in place of the file") << "folder";
        QTest::newRow("path under a regular file") << "under file";
    }

    void unwritableFile()
    {
        QFETCH(QString, kind);
        QString path;
        if (kind == u"folder") {
            path = Path(QStringLiteral("folder.ini"));
            QVERIFY(QDir().mkpath(path));
        } else {
            WriteBytes(Path(QStringLiteral("plain")), "x");
            path = Path(QStringLiteral("plain/Preferences.ini"));
        }
        TIniFile ini(path);
        try {
            ini.WriteBool(QStringLiteral("Main"), QStringLiteral("FirstUse"), false);
            QFAIL("no error for an unwritable file");
        } catch (const EQuarnelError &error) {
            QCOMPARE(error.text(), QStringLiteral("Unable to write to ") + path);
        }
        QCOMPARE(ini.ReadBool(QStringLiteral("Main"), QStringLiteral("FirstUse"), true), true);
        if (kind == u"folder")
            QVERIFY(QFileInfo(path).isDir());
        else
            QCOMPARE(ReadBytes(Path(QStringLiteral("plain"))), QByteArray("x"));
    }

    void failedWriteKeepsTheOldFile()
    {
        const QByteArray old("[Main]\r\nType=mp4\r\n");
        TIniFile ini = IniOver(old, QStringLiteral("keep.ini"));
        {
            const FileSizeLimit limit(256);
            QVERIFY_THROWS_EXCEPTION(EQuarnelError, ini.WriteString(QStringLiteral("Main"), QStringLiteral("Long"),
                                                                    QString(4000, QLatin1Char('x'))));
        }
        QCOMPARE(ReadBytes(Path(QStringLiteral("keep.ini"))), old);
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("keep.ini*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("keep.ini")});
    }

    void badFilesReadAsDefaults_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << "folder";
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("binary file") << "binary";
    }

    void badFilesReadAsDefaults()
    {
        QFETCH(QString, kind);
        const QString path = Path(QStringLiteral("bad-") + kind + QStringLiteral(".ini"));
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == u"pipe") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == u"empty") {
            WriteBytes(path, "");
        } else {
            QByteArray junk;
            QRandomGenerator random(11);
            const char pieces[] = {'\0', '\r', '\n', '[', ']', '=', ' ', 'M'};
            for (int i = 0; i < 65536; ++i)
                junk += (i % 3 == 0) ? pieces[random.bounded(8)] : char(random.bounded(256));
            WriteBytes(path, junk);
        }
        TIniFile ini(path);
        QCOMPARE(ini.ReadString(QStringLiteral("Main"), QStringLiteral("Version"), Def), Def);
        QCOMPARE(ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("Profile"), 4), 4);
        QCOMPARE(ini.ReadBool(QStringLiteral("Main"), QStringLiteral("FirstUse"), true), true);
        if (kind == u"binary") {
            const QByteArray before = ReadBytes(path);
            ini.WriteString(QStringLiteral("Quarnel"), QStringLiteral("Key"), QStringLiteral("v"));
            QCOMPARE(ini.ReadString(QStringLiteral("Quarnel"), QStringLiteral("Key"), Def), QStringLiteral("v"));
            QVERIFY(ReadBytes(path).startsWith(before));
        }
    }

    void hugeLinesStayFast()
    {
        const QByteArray file = "[Main]\r\nLong=" + QByteArray(100000, 'x') + "\r\n" + QByteArray(100000, ' ') + "\r\n"
                              + QByteArray(100000, '=') + "\r\n" + QByteArray(100000, '[') + "x\r\n" + "[Main2]\r\n"
                              + QByteArray(100000, 'k') + "=1\r\nType=mp4\r\n";
        TIniFile ini = IniOver(file, QStringLiteral("huge.ini"));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(ini.ReadString(QStringLiteral("Main"), QStringLiteral("Long"), Def).size(), 100000);
            QCOMPARE(ini.ReadString(QStringLiteral("Main2"), QStringLiteral("Type"), Def), QStringLiteral("mp4"));
        }
        ini.WriteString(QStringLiteral("Main2"), QStringLiteral("Type"), QStringLiteral("avi"));
        QCOMPARE(ini.ReadString(QStringLiteral("Main2"), QStringLiteral("Type"), Def), QStringLiteral("avi"));
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    }

    // A profile or settings file of megabytes is no real one: it is not read (a profile's keys
    // would all read as missing; the settings store says why it stops).
    void oversizedFilesAreNotRead()
    {
        QByteArray file = "[Main]\r\nVersion=7\r\n";
        while (file.size() <= 5 * 1024 * 1024)
            file += "; " + QByteArray(1000, 'x') + "\r\n";
        const QString path = Path(QStringLiteral("big.ini"));
        WriteBytes(path, file);
        QCOMPARE(TIniFile(path).ReadString(QStringLiteral("Main"), QStringLiteral("Version"), Def), Def);
        try {
            TNewInifile store(path);
            QFAIL("a 5 MB file was read");
        } catch (const EQuarnelError &e) {
            QVERIFY2(e.text().contains(QStringLiteral("larger than 1 MB")), qPrintable(e.text()));
        }
        // Up to 1 MB is read.
        file.truncate(1024 * 1024);
        WriteBytes(path, file);
        QCOMPARE(TIniFile(path).ReadString(QStringLiteral("Main"), QStringLiteral("Version"), Def),
                 QStringLiteral("7"));
        QCOMPARE(TNewInifile(path).ReadString(QStringLiteral("Main"), QStringLiteral("Version"), Def),
                 QStringLiteral("7"));
    }

    // The preview's notice: shown once; a file that cannot keep that is named once, and the
    // notice does not come back at every Play.
    void firstUseNoticeOncePerRun_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("writable file") << true;
        QTest::newRow("a folder where the file should be") << false;
    }
    void firstUseNoticeOncePerRun()
    {
        QFETCH(bool, writable);
        QTemporaryDir program;
        AppFolders::SetAppDir(program.path());
        if (!writable)
            QVERIFY(QDir(program.path()).mkdir(QStringLiteral("Preferences.ini")));
        QVERIFY(MainPreferences::FirstUseNoticeDue());
        const QString failure = MainPreferences::FirstUseNoticeShown();
        if (writable) {
            QCOMPARE(failure, QString());
            QCOMPARE(ReadBytes(AppFolders::PreferencesFile()), QByteArray("[Main]\r\nFirstUse=0\r\n"));
        } else {
            QVERIFY2(failure.startsWith(QStringLiteral("Unable to write to ") + AppFolders::PreferencesFile()),
                     qPrintable(failure));
        }
        QVERIFY(!MainPreferences::FirstUseNoticeDue());
        QCOMPARE(MainPreferences::FirstUseNoticeShown(), QString()); // told once only
    }

    // The settings dialog saves through one store, the main window then adds to the same file
    // through the other, and each reads what the other wrote.
    void storesShareOneFile()
    {
        const QString path = Path(QStringLiteral("Preferences.ini"));
        WriteBytes(path, "");
        TNewInifile *store = new TNewInifile(path);
        store->WriteString(QStringLiteral("Main"), QStringLiteral("Output Path"), QStringLiteral("/out/"));
        store->WriteString(QStringLiteral("Main"), QStringLiteral("Work Dir"), QStringLiteral("/work/"));
        store->WriteInteger(QStringLiteral("Main"), QStringLiteral("Syn Mode"), 1);
        store->WriteBool(QStringLiteral("Main"), QStringLiteral("Auto Open Dir"), true);
        store->WriteBool(QStringLiteral("Main"), QStringLiteral("Auto Exit"), false);
        store->WriteBool(QStringLiteral("Main"), QStringLiteral("Auto Turn Off"), false);
        store->WriteBool(QStringLiteral("Main"), QStringLiteral("Ask"), true);
        store->WriteBool(QStringLiteral("Main"), QStringLiteral("Overwrite"), false);
        TNewInifile::SaveAndFree(store);

        TIniFile ini(path);
        QCOMPARE(ini.ReadString(QStringLiteral("Main"), QStringLiteral("Work Dir"), Def), QStringLiteral("/work/"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("Syn Mode"), 0), 1);
        QCOMPARE(ini.ReadBool(QStringLiteral("Main"), QStringLiteral("Ask"), false), true);
        ini.WriteInteger(QStringLiteral("Main"), QStringLiteral("Profile"), 3);
        ini.WriteString(QStringLiteral("Main"), QStringLiteral("Output Path"), QStringLiteral("/videos/"));
        const QByteArray expected("[Main]\r\nOverwrite=0\r\nAsk=1\r\nAuto Turn Off=0\r\nAuto Exit=0\r\n"
                                  "Auto Open Dir=1\r\nSyn Mode=1\r\nWork Dir=/work/\r\nOutput Path=/videos/\r\n"
                                  "Profile=3\r\n");
        QCOMPARE(ReadBytes(path), expected);

        store = new TNewInifile(path);
        QCOMPARE(store->ReadInteger(QStringLiteral("Main"), QStringLiteral("Profile"), 0), 3);
        QCOMPARE(store->ReadString(QStringLiteral("Main"), QStringLiteral("Output Path"), Def),
                 QStringLiteral("/videos/"));
        TNewInifile::SaveAndFree(store);
        QCOMPARE(ReadBytes(path), expected);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "TestIniFile.moc"
