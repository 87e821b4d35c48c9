#include "TestSupport.h"

#include "dvd/DvdLibrary.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

namespace {

QString Disc(const QString &name) { return TestDvdsDir() + QLatin1Char('/') + name; }

// "set.chain" of every title, 1 angle each being checked apart.
QStringList Indexes(const DvdLibrary::Handle &dvd)
{
    QStringList indexes;
    for (int i = 0; i < DvdLibrary::DVD_GetTitleNum(dvd); ++i) {
        int titleSet = -2;
        int chain = -2;
        DvdLibrary::DVD_GetIndexInfo(dvd, i, titleSet, chain);
        indexes.append(QStringLiteral("%1.%2").arg(titleSet).arg(chain));
    }
    return indexes;
}

int OpenDescriptors() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }

void CopyFolder(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    for (const QFileInfo &info : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (info.isDir())
            CopyFolder(info.filePath(), to + QLatin1Char('/') + info.fileName());
        else
            QFile::copy(info.filePath(), to + QLatin1Char('/') + info.fileName());
    }
}

} // namespace

class TestDvdLibrary : public QObject
{
    Q_OBJECT

private slots:
    void titles_data();
    void titles();
    void unopenable_data();
    void unopenable();
    void titleOutOfRange();
    void missingTitleSet();
    void handleOwnership();
};

void TestDvdLibrary::titles_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("indexes");

    const QStringList ntsc = {QStringLiteral("0.0"), QStringLiteral("0.1"), QStringLiteral("0.2"),
                              QStringLiteral("1.0"), QStringLiteral("1.1")};
    QTest::newRow("VIDEO_TS folder") << Disc(QStringLiteral("ntsc-multi/VIDEO_TS")) << ntsc;
    QTest::newRow("folder holding VIDEO_TS") << Disc(QStringLiteral("ntsc-multi")) << ntsc;
    QStringList many;
    for (int t = 0; t < 7; ++t)
        many.append(QStringLiteral("0.%1").arg(t));
    for (int t = 0; t < 5; ++t)
        many.append(QStringLiteral("1.%1").arg(t));
    QTest::newRow("12 titles in two sets") << Disc(QStringLiteral("many-titles/VIDEO_TS")) << many;
    QTest::newRow("one title") << Disc(QStringLiteral("pal-simple/VIDEO_TS")) << QStringList{QStringLiteral("0.0")};
}

void TestDvdLibrary::titles()
{
    QFETCH(QString, folder);
    QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
    QVERIFY(dvd.isOpen());
    QTEST(Indexes(dvd), "indexes");
    for (int i = 0; i < DvdLibrary::DVD_GetTitleNum(dvd); ++i)
        QCOMPARE(DvdLibrary::DVD_GetTitleAngle(dvd, i), 1);
}

void TestDvdLibrary::unopenable_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("missing folder") << QStringLiteral("missing");
    QTest::newRow("empty folder") << QStringLiteral("empty");
    QTest::newRow("VIDEO_TS.IFO of junk") << QStringLiteral("junk");
    QTest::newRow("a file, not a folder") << QStringLiteral("file");
    QTest::newRow("empty path") << QStringLiteral("");
}

void TestDvdLibrary::unopenable()
{
    QFETCH(QString, what);
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("VIDEO_TS"));
    if (what == QLatin1String("empty") || what == QLatin1String("junk"))
        QVERIFY(QDir().mkpath(folder));
    if (what == QLatin1String("junk") || what == QLatin1String("file")) {
        QFile file(what == QLatin1String("junk") ? folder + QStringLiteral("/VIDEO_TS.IFO") : folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(6144, 'x'));
    }
    if (what.isEmpty())
        folder.clear();
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
    QVERIFY(!dvd.isOpen());
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(dvd), 0);
    int titleSet = 7;
    int chain = 7;
    DvdLibrary::DVD_GetIndexInfo(dvd, 0, titleSet, chain);
    QCOMPARE(titleSet, -1);
    QCOMPARE(chain, -1);
    QCOMPARE(DvdLibrary::DVD_GetTitleAngle(dvd, 0), 0);
}

void TestDvdLibrary::titleOutOfRange()
{
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(Disc(QStringLiteral("ntsc-multi/VIDEO_TS")));
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(dvd), 5);
    for (int title : {-1, 5, 99, INT_MAX, INT_MIN}) {
        int titleSet = 7;
        int chain = 7;
        DvdLibrary::DVD_GetIndexInfo(dvd, title, titleSet, chain);
        QCOMPARE(titleSet, -1);
        QCOMPARE(chain, -1);
        QCOMPARE(DvdLibrary::DVD_GetTitleAngle(dvd, title), 0);
    }
}

void TestDvdLibrary::missingTitleSet()
{
    // The title table still lists the titles of a title set whose files are gone; those
    // titles have no known chain, the others keep theirs.
    QTemporaryDir dir;
    CopyFolder(Disc(QStringLiteral("ntsc-multi")), dir.path());
    for (const char *name : {"VTS_02_0.IFO", "VTS_02_0.BUP"})
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("VIDEO_TS/") + QLatin1String(name))));
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(dir.filePath(QStringLiteral("VIDEO_TS")));
    QCOMPARE(Indexes(dvd), QStringList({QStringLiteral("0.0"), QStringLiteral("0.1"), QStringLiteral("0.2"),
                                        QStringLiteral("-1.-1"), QStringLiteral("-1.-1")}));
}

void TestDvdLibrary::handleOwnership()
{
    const QString folder = Disc(QStringLiteral("many-titles/VIDEO_TS"));
    {
        // Warm-up: whatever the libraries keep open for good is not ours to count.
        const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
        Indexes(dvd);
    }
    const int before = OpenDescriptors();
    for (int round = 0; round < 20; ++round) {
        const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
        QCOMPARE(Indexes(dvd).size(), 12);
        QVERIFY(OpenDescriptors() > before); // the open files are seen
    }
    QCOMPARE(OpenDescriptors(), before);

    DvdLibrary::Handle first = DvdLibrary::DVD_OpenDVD(folder);
    DvdLibrary::Handle second = std::move(first);
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(first), 0);
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(second), 12);
    first = DvdLibrary::DVD_OpenDVD(Disc(QStringLiteral("pal-simple/VIDEO_TS")));
    second = std::move(first);
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(second), 1);
    second = DvdLibrary::Handle();
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(second), 0);
    QCOMPARE(OpenDescriptors(), before);
}

QTEST_GUILESS_MAIN(TestDvdLibrary)
#include "TestDvdLibrary.moc"
