#include "TestSupport.h"

#include "dvd/DvdLibrary.h"
#include "dvd/DvdSource.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <sys/stat.h>

namespace {

QString Disc(const QString &name)
{
    return TestDvdsDir() + QLatin1Char('/') + name;
}

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

int OpenDescriptors()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
}

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

// A real title-table offset or count made wrong, or the file cut where a structure is.
void Damage(const QString &file, const QString &how)
{
    if (how == QLatin1String("fifo") || how == QLatin1String("folder") || how == QLatin1String("device")) {
        QFile::remove(file);
        if (how == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0644), 0);
        else if (how == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(file));
        else
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        return;
    }
    QByteArray bytes = ReadBytes(file);
    QCOMPARE(bytes.size(), 6144); // the title table is in sector 1: 5 entries, 68 bytes
    const auto put32 = [&bytes](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> (24 - 8 * i));
    };
    if (how == QLatin1String("empty"))
        bytes.clear();
    else if (how.startsWith(QLatin1String("cut ")))
        bytes.truncate(how.mid(4).toInt());
    else if (how == QLatin1String("identifier"))
        bytes.replace(0, 12, "DVDVIDEO-XXX");
    else if (how.startsWith(QLatin1String("sector ")))
        put32(0xc4, how.mid(7).toUInt(nullptr, 16));
    else if (how.startsWith(QLatin1String("length ")))
        put32(2048 + 4, how.mid(7).toUInt(nullptr, 16));
    else if (how.startsWith(QLatin1String("count ")))
        bytes[2049] = char(how.mid(6).toInt());
    else
        QFAIL(qPrintable(how));
    WriteBytes(file, bytes);
}

} // namespace

class TestDvdLibrary : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_images.isValid());
        QVERIFY(MakeDvdImage(Disc(QStringLiteral("ntsc-multi")), Image()));
    }
    void titles_data();
    void titles();
    void unopenable_data();
    void unopenable();
    void titleOutOfRange();
    void missingTitleSet();
    void damagedTitleTable_data();
    void damagedTitleTable();
    void playbackOfDamagedDisc();
    void handleOwnership();
    void locationOfAPath_data();
    void locationOfAPath();

private:
    QString Image() const { return m_images.filePath(QStringLiteral("ntsc-multi.iso")); }
    QTemporaryDir m_images;
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
    QTest::newRow("image") << Image() << ntsc;
}

void TestDvdLibrary::titles()
{
    QFETCH(QString, folder);
    QVERIFY2(QFileInfo::exists(folder), qPrintable(folder));
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
    QTest::newRow("image of junk") << QStringLiteral("junk image");
    QTest::newRow("pipe named like an image") << QStringLiteral("fifo image");
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
    if (what == QLatin1String("junk image")) {
        folder = dir.filePath(QStringLiteral("junk.iso"));
        WriteBytes(folder, QByteArray(64 * 2048, 'x'));
    } else if (what == QLatin1String("fifo image")) {
        folder = dir.filePath(QStringLiteral("pipe.ISO"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder).constData(), 0644), 0);
    }
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
    QCOMPARE(DvdLibrary::TitleSetOfTitle(dvd, 4), 1);
    const DvdLibrary::TitleSet *gone = DvdLibrary::DVD_GetTitleSet(dvd, 1);
    QVERIFY(gone && !gone->Readable);
    QVERIFY2(gone->Problem.contains(QStringLiteral("VTS_02_0.IFO does not exist"))
                 && gone->Problem.contains(QStringLiteral("VTS_02_0.BUP does not exist")),
             qPrintable(gone->Problem));
}

void TestDvdLibrary::damagedTitleTable_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("backupIntact");
    const QString outside = QStringLiteral("is damaged: its title table lies outside the file");
    const QList<QPair<const char *, QString>> damages{
        {"empty", QStringLiteral("is not a DVD video manager file")},
        {"cut 300", QStringLiteral("is damaged: it ends inside its first sector")},
        {"cut 2048", outside}, // the table's sector starts where the file ends
        {"cut 3000", outside}, // a partial sector is no sector to the library
        {"cut 4095", outside},
        {"identifier", QStringLiteral("is not a DVD video manager file")},
        {"sector 0", outside},
        {"sector 3", outside},
        {"sector ffffffff", outside},
        {"length 3", outside}, // shorter than the table's own header
        {"length 2000", outside}, // runs past the end of the file
        {"length ffffffff", outside},
        {"count 200", QStringLiteral("is damaged: its title table lists more titles than it holds")},
        {"fifo", QStringLiteral("is not a regular file")},
        {"folder", QStringLiteral("is not a regular file")},
        {"device", QStringLiteral("is not a regular file")},
    };
    for (const auto &[damage, reason] : damages) {
        QTest::addRow("%s, backup intact", damage) << QString::fromLatin1(damage) << reason << true;
        QTest::addRow("%s, backup too", damage) << QString::fromLatin1(damage) << reason << false;
    }
}

void TestDvdLibrary::damagedTitleTable()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    QFETCH(bool, backupIntact);
    QTemporaryDir dir;
    CopyFolder(Disc(QStringLiteral("ntsc-multi")), dir.path());
    const QString folder = dir.filePath(QStringLiteral("VIDEO_TS"));
    Damage(folder + QStringLiteral("/VIDEO_TS.IFO"), damage);
    if (!backupIntact)
        Damage(folder + QStringLiteral("/VIDEO_TS.BUP"), damage);

    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
    const QString ifoProblem = QStringLiteral("The file %1/VIDEO_TS.IFO %2").arg(folder, reason);
    if (backupIntact) {
        QVERIFY(dvd.isOpen());
        QCOMPARE(Indexes(dvd), Indexes(DvdLibrary::DVD_OpenDVD(Disc(QStringLiteral("ntsc-multi/VIDEO_TS")))));
        const QString note = DvdLibrary::TitleTableNote(dvd);
        QVERIFY2(note.contains(ifoProblem)
                     && note.endsWith(QStringLiteral("Its backup %1/VIDEO_TS.BUP was read instead.").arg(folder)),
                 qPrintable(note));
    } else {
        QVERIFY(!dvd.isOpen());
        QCOMPARE(DvdLibrary::DVD_GetTitleNum(dvd), 0);
        QVERIFY(!DvdLibrary::NoDvd(dvd));
        const QString problem = DvdLibrary::TitleTableProblem(dvd);
        QVERIFY2(problem.contains(ifoProblem)
                     && problem.contains(QStringLiteral("%1/VIDEO_TS.BUP %2").arg(folder, reason)),
                 qPrintable(problem));
    }
}

void TestDvdLibrary::playbackOfDamagedDisc()
{
    // The player's own reading of a damaged .IFO brings the program down: only titles whose
    // files are whole may be played.
    QTemporaryDir dir;
    CopyFolder(Disc(QStringLiteral("ntsc-multi")), dir.path());
    const QString folder = dir.filePath(QStringLiteral("VIDEO_TS"));
    for (int title = 1; title <= 5; ++title)
        QCOMPARE(DvdLibrary::PlaybackProblem(folder + QLatin1Char('/'), title), QString());
    QCOMPARE(DvdLibrary::PlaybackProblem(Image(), 4), QString());

    QVERIFY(QFile(folder + QStringLiteral("/VTS_02_0.IFO")).resize(0x300));
    QCOMPARE(DvdLibrary::PlaybackProblem(folder, 1), QString());
    const QString problem = DvdLibrary::PlaybackProblem(folder, 4);
    QVERIFY2(problem.startsWith(
                 QStringLiteral("The preview cannot play this DVD title: the disc is damaged. The file %1/VTS_02_0.IFO")
                     .arg(folder)),
             qPrintable(problem));

    Damage(folder + QStringLiteral("/VIDEO_TS.IFO"), QStringLiteral("cut 3000"));
    QVERIFY(DvdLibrary::PlaybackProblem(folder, 1).contains(QStringLiteral("VIDEO_TS.IFO is damaged")));
}

void TestDvdLibrary::handleOwnership()
{
    // An image stays open as long as its handle lives.
    const QString folder = Image();
    {
        // Warm-up: whatever the libraries keep open for good is not ours to count.
        const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
        Indexes(dvd);
    }
    const int before = OpenDescriptors();
    for (int round = 0; round < 20; ++round) {
        const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
        QCOMPARE(Indexes(dvd).size(), 5);
        QVERIFY(OpenDescriptors() > before); // the open files are seen
    }
    QCOMPARE(OpenDescriptors(), before);

    DvdLibrary::Handle first = DvdLibrary::DVD_OpenDVD(folder);
    DvdLibrary::Handle second = std::move(first);
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(first), 0);
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(second), 5);
    first = DvdLibrary::DVD_OpenDVD(Disc(QStringLiteral("pal-simple/VIDEO_TS")));
    second = std::move(first);
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(second), 1);
    second = DvdLibrary::Handle();
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(second), 0);
    QCOMPARE(OpenDescriptors(), before);
}

// However a DVD is named (a disc's folder, its VIDEO_TS folder, a file inside, an image),
// one rule finds where it is read from.
void TestDvdLibrary::locationOfAPath_data()
{
    QTest::addColumn<QString>("path"); // under the disc's copy; "@" for the image
    QTest::addColumn<QString>("location"); // the same
    QTest::newRow("the disc's folder") << QString() << QStringLiteral("VIDEO_TS/");
    QTest::newRow("its VIDEO_TS folder") << QStringLiteral("VIDEO_TS") << QStringLiteral("VIDEO_TS/");
    QTest::newRow("with a separator") << QStringLiteral("VIDEO_TS/") << QStringLiteral("VIDEO_TS/");
    QTest::newRow("a file inside") << QStringLiteral("VIDEO_TS/VTS_01_1.VOB") << QStringLiteral("VIDEO_TS/");
    QTest::newRow("an image") << QStringLiteral("@") << QStringLiteral("@");
}

void TestDvdLibrary::locationOfAPath()
{
    QFETCH(QString, path);
    QFETCH(QString, location);
    const QString disc = Disc(QStringLiteral("ntsc-multi"));
    const auto place = [&](const QString &p) { return p == u"@" ? Image() : QDir(disc).filePath(p); };
    QString expected = place(location);
    if (location.endsWith(QLatin1Char('/')) && !expected.endsWith(QLatin1Char('/')))
        expected += QLatin1Char('/');
    QCOMPARE(DvdSource::Location(path.isEmpty() ? disc : place(path)), expected);
}

QTEST_GUILESS_MAIN(TestDvdLibrary)
#include "TestDvdLibrary.moc"
