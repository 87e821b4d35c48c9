#include "FileSizeLimit.h"
#include "TestSupport.h"

#include "core/EQuarnelError.h"
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

class TestNewInifile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString Path(const QString &name) const { return m_dir.filePath(name); }

    // A store over a file holding bytes.
    TNewInifile *StoreOver(const QByteArray &bytes, const QString &name = QStringLiteral("test.ini"))
    {
        WriteBytes(Path(name), bytes);
        return new TNewInifile(Path(name));
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void sectionTextAndOffsets()
    {
        TNewInifile *store = StoreOver("[A]\r\nX=1\r\n[Main]\r\nSize=2\r\nType=mp4\r\n[B]\r\nY=3\r\n");
        QCOMPARE(store->ReadSectionText(QStringLiteral("main")), QStringLiteral("\r\nSize=2\r\nType=mp4\r\n"));
        QCOMPARE(store->ReadSectionText(QStringLiteral("None")), QString());
        QCOMPARE(store->FindSectionLine(QStringLiteral("MAIN")), 2);
        QCOMPARE(store->FindSectionLine(QStringLiteral("None")), -1);
        const int offset = store->FindKeyOffset(QStringLiteral("Main"), QStringLiteral("type"));
        QCOMPARE(offset, 2);
        QCOMPARE(store->Lines().at(2 + offset), QStringLiteral("Type=mp4"));
        QCOMPARE(store->FindKeyOffset(QStringLiteral("Main"), QStringLiteral("Y")), -1);
        QCOMPARE(TNewInifile::ValueFromLines(
                     QStringLiteral("b"), {QStringLiteral("a=1"), QStringLiteral("xB=2"), QStringLiteral(" B=3")}, Def),
                 QStringLiteral("3"));
        // Lines cut at LF alone keep their CR, which is no part of the value.
        QCOMPARE(TNewInifile::ValueFromLines(QStringLiteral("B"), Strings({"a=1\r", "B = 3\r"}), Def),
                 QStringLiteral("3"));
        delete store;
    }

    void readInteger_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("def");
        QTest::addColumn<int>("expected");

        QTest::newRow("decimal") << QByteArray("42") << 5 << 42;
        QTest::newRow("negative") << QByteArray("-7") << 5 << -7;
        QTest::newRow("plus sign") << QByteArray("+7") << 5 << 7;
        QTest::newRow("leading blanks") << QByteArray("  12") << 5 << 12;
        QTest::newRow("trailing blank") << QByteArray("12 ") << 5 << 12; // the line's blank, not the number's
        QTest::newRow("digits then letters") << QByteArray("12ab") << 5 << 5;
        QTest::newRow("dollar hex") << QByteArray("$1F") << 5 << 31;
        QTest::newRow("0x hex") << QByteArray("0x1f") << 5 << 31;
        QTest::newRow("0x alone") << QByteArray("0x") << 5 << 5;
        QTest::newRow("empty") << QByteArray("") << 5 << 5;
        QTest::newRow("word") << QByteArray("ten") << 5 << 5;
        QTest::newRow("largest") << QByteArray("2147483647") << 5 << 2147483647;
        QTest::newRow("smallest") << QByteArray("-2147483648") << 5 << int(-2147483647 - 1);
        QTest::newRow("too large") << QByteArray("2147483648") << 5 << 5;
        QTest::newRow("far too large") << QByteArray("99999999999999999999") << 5 << 5;
    }

    void readInteger()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, def);
        QFETCH(int, expected);
        TNewInifile *store = StoreOver("[S]\r\nK=" + value + "\r\n");
        QCOMPARE(store->ReadInteger(QStringLiteral("S"), QStringLiteral("K"), def), expected);
        QCOMPARE(store->ReadInteger(QStringLiteral("S"), QStringLiteral("Missing"), def), def);
        delete store;
    }

    void readBool_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("def");
        QTest::addColumn<bool>("expected");

        QTest::newRow("True") << QByteArray("[S]\r\nK=True\r\n") << false << true;
        QTest::newRow("FALSE") << QByteArray("[S]\r\nK=FALSE\r\n") << true << false;
        QTest::newRow("2") << QByteArray("[S]\r\nK=2\r\n") << false << true;
        QTest::newRow("-1") << QByteArray("[S]\r\nK=-1\r\n") << false << true;
        QTest::newRow("0") << QByteArray("[S]\r\nK=0\r\n") << true << false;
        QTest::newRow("other word, default false") << QByteArray("[S]\r\nK=yes\r\n") << false << false;
        QTest::newRow("other word, default true") << QByteArray("[S]\r\nK=yes\r\n") << true << true;
        QTest::newRow("empty, default true") << QByteArray("[S]\r\nK=\r\n") << true << true;
        QTest::newRow("missing, default true") << QByteArray("[S]\r\n") << true << true;
        QTest::newRow("missing, default false") << QByteArray("[S]\r\n") << false << false;
    }

    void readBool()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, def);
        QFETCH(bool, expected);
        TNewInifile *store = StoreOver(file);
        QCOMPARE(store->ReadBool(QStringLiteral("S"), QStringLiteral("K"), def), expected);
        delete store;
    }

    // writes: section, key, value triples in the order of writing.
    void writes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("new section at the end, keys in reverse order")
            << QByteArray("[Main]\r\nX=1") << Strings({"Sect", "KeyA", "1", "Sect", "KeyB", "2"})
            << QByteArray("[Main]\r\nX=1\r\n[Sect]\r\nKeyB=2\r\nKeyA=1\r\n");
        QTest::newRow("missing key directly under the header")
            << QByteArray("[Main]\r\nX=1\r\n[B]\r\n") << Strings({"main", "Y", "2"})
            << QByteArray("[Main]\r\nY=2\r\nX=1\r\n[B]\r\n");
        QTest::newRow("existing key: the whole line is replaced")
            << QByteArray("[Main]\r\n  type=mp4\r\nX=1\r\n") << Strings({"Main", "Type", "avi"})
            << QByteArray("[Main]\r\nType=avi\r\nX=1\r\n");
        QTest::newRow("a key written by hand with blanks around = is replaced")
            << QByteArray("[ Main ]\r\n  Type = mp4 \r\nX=1\r\n") << Strings({"Main", "Type", "avi"})
            << QByteArray("[ Main ]\r\nType=avi\r\nX=1\r\n");
        QTest::newRow("a key below a value holding [ is replaced")
            << QByteArray("[Main]\r\nPath=/a[1]\r\nType=mp4\r\n") << Strings({"Main", "Type", "avi"})
            << QByteArray("[Main]\r\nPath=/a[1]\r\nType=avi\r\n");
        QTest::newRow("key name inside another key's line keeps that line")
            << QByteArray("[Main]\r\nSubType=avi\r\n") << Strings({"Main", "Type", "mp4"})
            << QByteArray("[Main]\r\nType=mp4\r\nSubType=avi\r\n");
        QTest::newRow("key name inside a value keeps that line")
            << QByteArray("[P]\r\nCaption=a,Value=b\r\n") << Strings({"P", "Value", "c"})
            << QByteArray("[P]\r\nValue=c\r\nCaption=a,Value=b\r\n");
        QTest::newRow("text behind the header stays")
            << QByteArray("[Main]Type=mp4\r\nX=1\r\n") << Strings({"Main", "Type", "avi"})
            << QByteArray("[Main]Type=mp4\r\nType=avi\r\nX=1\r\n");
        QTest::newRow("line breaks in a value become blanks")
            << QByteArray("") << Strings({"S", "V", "a\r\nb\nc"}) << QByteArray("[S]\r\nV=a  b c\r\n");
        QTest::newRow("preferences written into an empty file")
            << QByteArray("")
            << Strings({"Main", "Output Path",   "/out", "Main", "Work Dir",  "/work", "Main", "Syn Mode",      "0",
                        "Main", "Auto Open Dir", "1",    "Main", "Auto Exit", "0",     "Main", "Auto Turn Off", "0",
                        "Main", "Ask",           "1",    "Main", "Overwrite", "0"})
            << QByteArray("[Main]\r\nOverwrite=0\r\nAsk=1\r\nAuto Turn Off=0\r\nAuto Exit=0\r\nAuto Open Dir=1\r\n"
                          "Syn Mode=0\r\nWork Dir=/work\r\nOutput Path=/out\r\n");
    }

    void writes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, writes);
        QFETCH(QByteArray, expected);
        TNewInifile *store = StoreOver(file);
        for (int i = 0; i + 2 < writes.size(); i += 3)
            store->WriteString(writes.at(i), writes.at(i + 1), writes.at(i + 2));
        // Every key reads back what was written last.
        for (int i = 0; i + 2 < writes.size(); i += 3) {
            QString last;
            for (int j = 0; j + 2 < writes.size(); j += 3) {
                if (writes.at(j) == writes.at(i) && writes.at(j + 1) == writes.at(i + 1))
                    last = writes.at(j + 2);
            }
            last.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            QCOMPARE(store->ReadString(writes.at(i), writes.at(i + 1), Def), last);
        }
        TNewInifile::SaveAndFree(store);
        QCOMPARE(store, nullptr);
        QCOMPARE(ReadBytes(Path(QStringLiteral("test.ini"))), expected);
    }

    void writeIntegerAndBool()
    {
        TNewInifile *store = StoreOver("");
        store->WriteInteger(QStringLiteral("S"), QStringLiteral("N"), -5);
        store->WriteBool(QStringLiteral("S"), QStringLiteral("T"), true);
        store->WriteBool(QStringLiteral("S"), QStringLiteral("F"), false);
        QCOMPARE(store->Lines(), Strings({"[S]", "F=0", "T=1", "N=-5"}));
        QCOMPARE(store->ReadInteger(QStringLiteral("S"), QStringLiteral("N"), 0), -5);
        QCOMPARE(store->ReadBool(QStringLiteral("S"), QStringLiteral("T"), false), true);
        QCOMPARE(store->ReadBool(QStringLiteral("S"), QStringLiteral("F"), true), false);
        delete store;
    }

    void missingFileBecomesEmptyFile()
    {
        const QString path = Path(QStringLiteral("missing.ini"));
        QFile::remove(path);
        TNewInifile *store = new TNewInifile(path);
        QVERIFY(store->Lines().isEmpty());
        QCOMPARE(store->ReadString(QStringLiteral("Main"), QStringLiteral("Type"), Def), Def);
        QCOMPARE(store->ReadBool(QStringLiteral("Main"), QStringLiteral("Ask"), true), true);
        TNewInifile::SaveAndFree(store);
        QVERIFY(QFileInfo(path).isFile());
        QCOMPARE(QFileInfo(path).size(), 0);
    }

    void saveNormalisesLineEnds()
    {
        TNewInifile *store = StoreOver("a\nb\rc\r\n\r\nd");
        QCOMPARE(store->Lines(), Strings({"a", "b", "c", "", "d"}));
        TNewInifile::SaveAndFree(store);
        QCOMPARE(ReadBytes(Path(QStringLiteral("test.ini"))), QByteArray("a\r\nb\r\nc\r\n\r\nd\r\n"));
    }

    void saveKeepsBytesThatAreNotUtf8()
    {
        // Byte order mark, Latin-1 bytes, NUL, an encoded surrogate, a cut-off sequence, an emoji.
        const QByteArray text("\xEF\xBB\xBF[M]\r\nK=\xE9t\xE9\x00\xFF|\xED\xA0\x80|\xF0\x9F\x98\x80\r\nL=\xC3", 29);
        TNewInifile *store = StoreOver(text);
        const QString value = store->ReadString(QStringLiteral("M"), QStringLiteral("K"), Def);
        QCOMPARE(value.size(), 12);
        QCOMPARE(value.at(3), QChar(u'\0'));
        QVERIFY(value.endsWith(QString::fromUtf8("|\xF0\x9F\x98\x80")));
        store->WriteString(QStringLiteral("M"), QStringLiteral("Copy"), value);
        TNewInifile::SaveAndFree(store);
        QByteArray expected = text;
        const QByteArray copyLine("Copy=\xE9t\xE9\x00\xFF|\xED\xA0\x80|\xF0\x9F\x98\x80\r\n", 21);
        expected.insert(expected.indexOf("K="), copyLine);
        expected += "\r\n";
        QCOMPARE(ReadBytes(Path(QStringLiteral("test.ini"))), expected);
    }

    void saveAndFreeOnNoStore()
    {
        TNewInifile *store = nullptr;
        TNewInifile::SaveAndFree(store);
        QCOMPARE(store, nullptr);
    }

    void unreadableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder in place of the file") << "folder";
        QTest::newRow("pipe in place of the file") << "pipe";
    }

    void unreadableFile()
    {
        QFETCH(QString, kind);
        const QString path = Path(QStringLiteral("unreadable-") + kind + QStringLiteral(".ini"));
        if (kind == u"folder")
            QVERIFY(QDir().mkpath(path));
        else
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        try {
            TNewInifile store(path);
            QFAIL("no error for an unreadable file");
        } catch (const EQuarnelError &error) {
            QVERIFY2(error.text().contains(path), qPrintable(error.text()));
        }
    }

    void unwritableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("path under a regular file") << "under file";
        QTest::newRow("folder appears in place of the file") << "folder";
    }

    void unwritableFile()
    {
        QFETCH(QString, kind);
        QString path;
        TNewInifile *store = nullptr;
        if (kind == u"under file") {
            WriteBytes(Path(QStringLiteral("plain")), "x");
            path = Path(QStringLiteral("plain/Preferences.ini"));
            store = new TNewInifile(path);
        } else {
            path = Path(QStringLiteral("becomes-folder.ini"));
            WriteBytes(path, "[Main]\r\n");
            store = new TNewInifile(path);
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir().mkpath(path));
        }
        store->WriteString(QStringLiteral("Main"), QStringLiteral("Type"), QStringLiteral("mp4"));
        try {
            TNewInifile::SaveAndFree(store);
            QFAIL("no error for an unwritable file");
        } catch (const EQuarnelError &error) {
            QCOMPARE(error.text(), QStringLiteral("Unable to write to ") + path);
        }
        QCOMPARE(store, nullptr);
        if (kind == u"folder")
            QVERIFY(QFileInfo(path).isDir());
    }

    void failedWriteKeepsTheOldFile()
    {
        const QByteArray old("[Main]\r\nType=mp4\r\n");
        TNewInifile *store = StoreOver(old, QStringLiteral("keep.ini"));
        store->WriteString(QStringLiteral("Main"), QStringLiteral("Long"), QString(4000, QLatin1Char('x')));
        {
            const FileSizeLimit limit(256);
            QVERIFY_THROWS_EXCEPTION(EQuarnelError, TNewInifile::SaveAndFree(store));
        }
        QCOMPARE(store, nullptr);
        QCOMPARE(ReadBytes(Path(QStringLiteral("keep.ini"))), old);
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("keep.ini*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("keep.ini")});
    }

    void binaryFile()
    {
        QByteArray junk;
        QRandomGenerator random(7);
        const char pieces[] = {'\0', '\r', '\n', '[', ']', '=', 'a', 'M'};
        for (int i = 0; i < 65536; ++i)
            junk += (i % 3 == 0) ? pieces[random.bounded(8)] : char(random.bounded(256));
        TNewInifile *store = StoreOver(junk, QStringLiteral("binary.ini"));
        QCOMPARE(store->ReadInteger(QStringLiteral("Main"), QStringLiteral("Para"), 3), 3);
        store->ReadString(QStringLiteral("a"), QStringLiteral("a"), Def);
        store->ReadBool(QStringLiteral("M"), QStringLiteral("a"), true);
        store->WriteString(QStringLiteral("Quarnel"), QStringLiteral("Key"), QStringLiteral("v"));
        QCOMPARE(store->ReadString(QStringLiteral("Quarnel"), QStringLiteral("Key"), Def), QStringLiteral("v"));
        TNewInifile::SaveAndFree(store);
        store = new TNewInifile(Path(QStringLiteral("binary.ini")));
        QCOMPARE(store->ReadString(QStringLiteral("Quarnel"), QStringLiteral("Key"), Def), QStringLiteral("v"));
        delete store;
    }

    void hugeLinesStayFast()
    {
        const QByteArray longValue(100000, 'x');
        const QByteArray file = "[Main]\r\nLong=" + longValue + "\r\n" + QByteArray(100000, '=') + "\r\n"
                              + QByteArray(50000, 'a') + "=" + QByteArray(50000, 'a') + "\r\nType=mp4\r\n"
                              + QByteArray(100000, '[') + "\r\n";
        TNewInifile *store = StoreOver(file, QStringLiteral("huge.ini"));
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(store->ReadString(QStringLiteral("Main"), QStringLiteral("Long"), Def).size(), 100000);
            QCOMPARE(store->ReadString(QStringLiteral("Main"), QStringLiteral("Type"), Def), QStringLiteral("mp4"));
            QCOMPARE(store->ReadString(QStringLiteral("Main"), QString(50000, QLatin1Char('a')), Def).size(), 50000);
            QCOMPARE(store->ReadString(QStringLiteral("Main"), QString(40000, QLatin1Char('a')), Def), Def);
        }
        store->WriteString(QStringLiteral("Main"), QStringLiteral("Type"), QStringLiteral("avi"));
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        TNewInifile::SaveAndFree(store);
    }
};

QTEST_GUILESS_MAIN(TestNewInifile)
#include "TestNewInifile.moc"
