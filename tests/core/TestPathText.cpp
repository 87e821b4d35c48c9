#include "TestSupport.h"
#include "core/ListFilesWithExtension.h"
#include "core/PathText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPathText : public QObject
{
    Q_OBJECT
private slots:
    void ensureTrailingBackslash_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root unchanged") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("folder gets one") << QStringLiteral("/home/me/Movies") << QStringLiteral("/home/me/Movies/");
        QTest::newRow("already has one") << QStringLiteral("/home/me/Movies/") << QStringLiteral("/home/me/Movies/");
        QTest::newRow("empty stays empty") << QString() << QString();
    }
    void ensureTrailingBackslash()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(EnsureTrailingBackslash(path), expected);
    }

    // Folders in a settings file are read beside it, not from wherever the program started.
    void folderFromSettingsFile_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("absolute stays") << QStringLiteral("/media/out/") << QStringLiteral("/media/out/");
        QTest::newRow("empty stays empty") << QString() << QString();
        QTest::newRow("relative, with its separator") << QStringLiteral("../../") << QStringLiteral("/home/");
        QTest::newRow("relative name") << QStringLiteral("work") << QStringLiteral("/home/me/.config/work");
    }
    void folderFromSettingsFile()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QCOMPARE(FolderFromSettingsFile(QStringLiteral("/home/me/.config/Preferences.ini"), path), folder);
    }

    void stripExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("profile") << QStringLiteral("Default.apf") << QStringLiteral("Default");
        QTest::newRow("path") << QStringLiteral("/out/Title01.avi") << QStringLiteral("/out/Title01");
        QTest::newRow("last dot only") << QStringLiteral("a.b.c") << QStringLiteral("a.b");
        QTest::newRow("dot in a folder") << QStringLiteral("/my.dir/name") << QStringLiteral("/my");
        QTest::newRow("no dot") << QStringLiteral("name") << QStringLiteral("name");
    }
    void stripExtension()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(StripExtension(name), expected);
    }

    void splitCommaList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("three") << QStringLiteral("a,b,c,") << Strings({"a", "b", "c"});
        QTest::newRow("no final comma: the last item kept") << QStringLiteral("a,b") << Strings({"a", "b"});
        QTest::newRow("empty item kept") << QStringLiteral(",x,") << Strings({"", "x"});
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("no comma: one item") << QStringLiteral("abc") << Strings({"abc"});
        QTest::newRow("sizes") << QStringLiteral("320x240,640x480,") << Strings({"320x240", "640x480"});
        QTest::newRow("blanks kept") << QStringLiteral(" a , b ,") << Strings({" a ", " b "});
    }
    void splitCommaList()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        QCOMPARE(SplitCommaList(text), items);
    }

    void listFilesWithExtension()
    {
        QTemporaryDir dir;
        QDir d(dir.path());
        for (const char *name : {"b.apf", "A.APF", "c.Apf", "notes.txt", "apf", "d.apf.bak"}) {
            QFile f(d.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(d.mkdir(QStringLiteral("sub.apf"))); // folders are not profiles
        const QString before = QDir::currentPath();
        QCOMPARE(ListFilesWithExtension(dir.path() + QLatin1Char('/'), QStringLiteral(".apf")),
                 Strings({"A.APF", "b.apf", "c.Apf"}));
        QCOMPARE(QDir::currentPath(), before); // never the listed folder

        // A missing folder lists nothing.
        QVERIFY(ListFilesWithExtension(dir.path() + QStringLiteral("/missing/"), QStringLiteral(".apf")).isEmpty());
        QCOMPARE(QDir::currentPath(), before);
    }
};

QTEST_APPLESS_MAIN(TestPathText)
#include "TestPathText.moc"
