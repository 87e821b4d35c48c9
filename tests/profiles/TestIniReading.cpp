// How a line of an INI file is read, by both stores: the Settings dialog shows a profile
// through TNewInifile and the main window and the conversion read it through TIniFile, so
// every case here must read the same in both.

#include "TestSupport.h"

#include "profiles/TIniFile.h"
#include "profiles/TNewInifile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
// The caller's default, as every case passes it.
const char *const Def = "DEF";

enum class Store { IniFile, NewInifile };

const char *StoreName(Store store)
{
    return store == Store::IniFile ? "TIniFile" : "TNewInifile";
}

QString ReadString(Store store, const QString &path, const QString &section, const QString &key)
{
    const QString def = QString::fromLatin1(Def);
    if (store == Store::IniFile)
        return TIniFile(path).ReadString(section, key, def);
    return TNewInifile(path).ReadString(section, key, def);
}

int ReadInteger(Store store, const QString &path, const QString &section, const QString &key, int def)
{
    if (store == Store::IniFile)
        return TIniFile(path).ReadInteger(section, key, def);
    return TNewInifile(path).ReadInteger(section, key, def);
}

bool ReadBool(Store store, const QString &path, const QString &section, const QString &key, bool def)
{
    if (store == Store::IniFile)
        return TIniFile(path).ReadBool(section, key, def);
    return TNewInifile(path).ReadBool(section, key, def);
}

// Names and values as UTF-8.
struct ReadingCase
{
    const char *name;
    QByteArray file;
    QByteArray section;
    QByteArray key;
    QByteArray expected;
};

const QList<ReadingCase> &ReadingCases()
{
    static const QList<ReadingCase> cases{
        // Names
        {"names ignore the case of A to Z", "[Main]\r\nType=mp4\r\n", "MAIN", "type", "mp4"},
        {"letters beyond A to Z keep their case",
         "[\xC3\x84"
         "b]\r\nK=1\r\n",
         "\xC3\xA4"
         "B",
         "K", Def},
        {"letters beyond A to Z, same case",
         "[\xC3\x84"
         "b]\r\nK=1\r\n",
         "\xC3\x84"
         "B",
         "K", "1"},
        {"whole key names only", "[Main]\r\nSubType=avi\r\n", "Main", "Type", Def},
        {"a key inside another key's name is no key", "[Main]\r\nSubType=avi\r\nType=mp4\r\n", "Main", "Type", "mp4"},
        {"a key inside a value is no key", "[Main]\r\nNote=see Work Dir=/elsewhere\r\n", "Main", "Work Dir", Def},
        {"whole section names only", "[MainX]\r\nType=mp4\r\n[Old]\r\nNote=[Main]\r\nType=x\r\n", "Main", "Type", Def},
        {"a header inside another line is no header", "[Old]\r\nNote=see [Main]\r\nType=x\r\n", "Main", "Type", Def},
        {"blanks inside a name count", "[Main]\r\nWork  Dir=/w\r\n", "Main", "Work Dir", Def},

        // Blanks
        {"blanks around =", "[Main]\r\nType = mp4\r\n", "Main", "Type", "mp4"},
        {"tabs around =", "[Main]\r\nType\t=\tmp4\r\n", "Main", "Type", "mp4"},
        {"blanks in front of the key", "[Main]\r\n  Type=mp4\r\n", "Main", "Type", "mp4"},
        {"blanks inside the brackets", "[ Main\t]\r\nType=mp4\r\n", "Main", "Type", "mp4"},
        {"blanks before the header", "  [Main]\r\nType=x\r\n", "Main", "Type", "x"},
        {"blanks around every name and value", "  [ Main ]  \r\n\tType  =  mp4 \t\r\n", "Main", "Type", "mp4"},
        {"blanks around the caller's names", "[Main]\r\nType=mp4\r\n", " Main ", "\tType ", "mp4"},
        {"a value keeps its inner blanks, = and ;", "[Main]\r\nCmd= -a=b ;c  d \t\r\n", "Main", "Cmd", "-a=b ;c  d"},
        {"empty value is not the default", "[Main]\r\nType=\r\n", "Main", "Type", ""},
        {"a value of blanks is empty", "[Main]\r\nType=  \r\n", "Main", "Type", ""},

        // Sections and the order of lines
        {"[ inside a value ends no section", "[Main]\r\nPath=/a[1]\r\nType=mp4\r\n", "Main", "Type", "mp4"},
        {"keys of the next section are not read", "[A]\r\nX=1\r\n[B]\r\nType=2\r\n", "A", "Type", Def},
        {"a key of an earlier section is not read", "[Old]\r\nWork Dir=/old\r\n[Main]\r\nX=1\r\n", "Main", "Work Dir",
         Def},
        {"keys before any section are not read", "Type=1\r\n[A]\r\nX=1\r\n", "A", "Type", Def},
        {"missing section", "[Main]\r\nType=mp4\r\n", "Other", "Type", Def},
        {"missing key", "[Main]\r\nType=mp4\r\n", "Main", "Size", Def},
        {"the first of two equal keys, whatever its case", "[Main]\r\nType=1\r\ntype=2\r\n", "Main", "Type", "1"},
        {"the first of two equal sections", "[Main]\r\nA=1\r\n[main]\r\nType=mp4\r\n", "Main", "Type", Def},
        {"nothing behind the header on its line is a key", "[Main]Type=x\r\n", "Main", "Type", Def},
        {"text behind the header's ] is no part of its name", "[Main] ; made by hand\r\nType=mp4\r\n", "Main", "Type",
         "mp4"},
        {"a header without ] runs to the line's end", "[Main \r\nType=mp4\r\n", "Main", "Type", "mp4"},
        {"line without =", "[Main]\r\nType\r\nType=mp4", "Main", "Type", "mp4"},

        // Comments
        {"a ; line is no key, even by its own name", "[Main]\r\n;Type=avi\r\n", "Main", ";Type", Def},
        {"a # line is no key, even by its own name", "[Main]\r\n  # Type = avi\r\n", "Main", "# Type", Def},
        {"comment lines before the key", "[Main]\r\n; Type=avi\r\n#Type=ogg\r\nType=mp4\r\n", "Main", "Type", "mp4"},
        {"a comment that holds a header ends no section", "[Main]\r\n; [Other]\r\nType=mp4\r\n", "Main", "Type", "mp4"},
        {"a comment before the first section", "; made by hand\r\n[Main]\r\nType=mp4\r\n", "Main", "Type", "mp4"},

        // Line ends and bytes
        {"LF line ends", "[Main]\nType=mp4\n", "Main", "Type", "mp4"},
        {"lone CR and lone LF end lines", "[Main]\rA=1\nType=2", "Main", "Type", "2"},
        {"CR line ends", "[Main]\rType=mp4\r", "Main", "Type", "mp4"},
        {"a CR doubled before LF", "[Main]\r\r\nType=mp4\r\r\n", "Main", "Type", "mp4"},
        {"byte order mark before the first section", "\xEF\xBB\xBF[Main]\r\nType=mp4\r\n", "Main", "Type", "mp4"},
        {"NUL inside a value", QByteArray("[Main]\r\nType=a\0b\r\n", 18), "Main", "Type", QByteArray("a\0b", 3)},
    };
    return cases;
}

// A profile and a preferences file in the form the program writes.
const QByteArray WellFormedProfile("[Main]\r\nType=mp4\r\nPara=3\r\n0=Video Size\r\n1=Bit Rate\r\n2=Channels\r\n"
                                   "[Video Size]\r\nSort=1\r\nList=1\r\nCaption=Original Size,320x240,640x480,\r\n"
                                   "Value=,320:240,640:480,\r\nIndex=2\r\n[Bit Rate]\r\nSort=1\r\nList=0\r\n"
                                   "ReadOnly=0\r\nCaption=800\r\nValue=800\r\n[Channels]\r\nSort=2\r\nIndex=0x1\r\n"
                                   "cmd=-ac\r\nOffset=-12\r\n");
const QByteArray WellFormedPreferences("[Main]\r\nOverwrite=0\r\nAsk=1\r\nAuto Turn Off=0\r\nAuto Exit=0\r\n"
                                       "Auto Open Dir=1\r\nSyn Mode=2\r\nWork Dir=/tmp/work/\r\nOutput Path=\r\n"
                                       "Profile=3\r\n[Default]\r\nOutput Path=/home/u/Videos/\r\nAsk=1\r\n");

// The same file as a person might write it by hand.
QByteArray ByHand(const QByteArray &file)
{
    QByteArray text = file;
    return text.replace("=", " = ").replace("[", "  [ ").replace("]", " ]\t").replace("\r\n", "\n");
}
} // namespace

Q_DECLARE_METATYPE(Store)

class TestIniReading : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString Path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void readString_data()
    {
        QTest::addColumn<Store>("store");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        for (const ReadingCase &c : ReadingCases()) {
            for (const Store store : {Store::IniFile, Store::NewInifile})
                QTest::addRow("%s: %s", StoreName(store), c.name)
                    << store << c.file << QString::fromUtf8(c.section) << QString::fromUtf8(c.key)
                    << QString::fromUtf8(c.expected);
        }
    }

    void readString()
    {
        QFETCH(Store, store);
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString path = Path(QStringLiteral("reading.ini"));
        WriteBytes(path, file);
        const QString value = ReadString(store, path, section, key);
        QCOMPARE(value.isNull(), false);
        QCOMPARE(value, expected);
    }

    // Every value of the program's files, read through either store, in the program's form and
    // written by hand, is the value the main window reads from the program's form.
    void bothStoresReadFilesAlike_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("formed");
        QTest::newRow("profile") << WellFormedProfile << WellFormedProfile;
        QTest::newRow("preferences") << WellFormedPreferences << WellFormedPreferences;
        QTest::newRow("preferences with LF line ends")
            << QByteArray(WellFormedPreferences).replace("\r\n", "\n") << WellFormedPreferences;
        QTest::newRow("profile by hand") << ByHand(WellFormedProfile) << WellFormedProfile;
        QTest::newRow("preferences by hand") << ByHand(WellFormedPreferences) << WellFormedPreferences;
    }

    void bothStoresReadFilesAlike()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, formed);
        const QString path = Path(QStringLiteral("shared.ini"));
        const QString formedPath = Path(QStringLiteral("formed.ini"));
        WriteBytes(path, file);
        WriteBytes(formedPath, formed);
        const TIniFile reference(formedPath);
        const QStringList sections =
            Strings({"Main", "main", "Video Size", "Bit Rate", "Channels", "Default", "Missing"});
        const QStringList keys =
            Strings({"Type",      "Para",     "0",        "1",           "2",       "Sort",      "List",
                     "ReadOnly",  "Caption",  "Value",    "Index",       "cmd",     "Offset",    "Ask",
                     "Overwrite", "Syn Mode", "Work Dir", "Output Path", "Profile", "Auto Exit", "AUTO OPEN DIR",
                     "Missing"});
        int found = 0;
        for (const QString &section : sections) {
            for (const QString &key : keys) {
                const QString expected = reference.ReadString(section, key, QString::fromLatin1(Def));
                found += expected != QLatin1String(Def);
                for (const Store store : {Store::IniFile, Store::NewInifile}) {
                    const QByteArray where =
                        QByteArray(StoreName(store)) + ' ' + (section + QLatin1Char('/') + key).toUtf8();
                    QVERIFY2(ReadString(store, path, section, key) == expected, where.constData());
                    QVERIFY2(ReadInteger(store, path, section, key, -3) == reference.ReadInteger(section, key, -3),
                             where.constData());
                    QVERIFY2(ReadBool(store, path, section, key, true) == reference.ReadBool(section, key, true),
                             where.constData());
                    QVERIFY2(ReadBool(store, path, section, key, false) == reference.ReadBool(section, key, false),
                             where.constData());
                }
            }
        }
        QVERIFY(found > 10); // the names above are the files' own
    }

    // A number's blanks are the line's, not the number's.
    void numberWithBlanksAroundIt()
    {
        const QString path = Path(QStringLiteral("blank.ini"));
        WriteBytes(path, "[Main]\r\nPara=12 \r\nSort = 3\r\n");
        for (const Store store : {Store::IniFile, Store::NewInifile}) {
            QCOMPARE(ReadInteger(store, path, QStringLiteral("Main"), QStringLiteral("Para"), 0), 12);
            QCOMPARE(ReadInteger(store, path, QStringLiteral("Main"), QStringLiteral("Sort"), 0), 3);
        }
    }
};

QTEST_GUILESS_MAIN(TestIniReading)
#include "TestIniReading.moc"
