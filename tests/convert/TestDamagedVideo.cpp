#include "ConversionFixture.h"
#include "ConvertTestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

// A disc whose video is damaged (sectors zeroed, as a scratch reads): the entry over the damage
// fails and says where, in every way of converting; it is never "made" with pictures from
// elsewhere on the disc, which a reader that fills a gap with the next pictures it finds gives.
class TestDamagedVideo : public ConversionFixture
{
    Q_OBJECT
private slots:
    void damageIsNeverASuccess_data()
    {
        QTest::addColumn<qint64>("offset"); // bytes into the title's VOB
        QTest::addColumn<qint64>("length"); // bytes zeroed
        QTest::addColumn<int>("chapter");
        QTest::addColumn<int>("mode"); // Intermediate Quality: 2 streamed, 1 high, 0 the profile's
        // pal-film-open: 24 s, four chapters of 6 s, about 6 MB each.
        const qint64 MiB = 1024 * 1024;
        QTest::newRow("4 MiB inside chapter 2, streamed") << 7 * MiB << 4 * MiB << 2 << 2;
        QTest::newRow("4 MiB inside chapter 2, through a file") << 7 * MiB << 4 * MiB << 2 << 1;
        QTest::newRow("1 MiB inside chapter 2, streamed") << 8 * MiB << 1 * MiB << 2 << 2;
        QTest::newRow("1 MiB inside chapter 2, through a file at the profile's rate") << 8 * MiB << 1 * MiB << 2 << 0;
        QTest::newRow("the title's first 64 KiB, streamed") << qint64(0) << 64 * qint64(1024) << 1 << 2;
        QTest::newRow("the title's first 64 KiB, through a file") << qint64(0) << 64 * qint64(1024) << 1 << 1;
    }
    void damageIsNeverASuccess()
    {
        QFETCH(qint64, offset);
        QFETCH(qint64, length);
        QFETCH(int, chapter);
        QFETCH(int, mode);
        QVERIFY(LinkTools(m_program->path()));
        QTemporaryDir disc;
        QVERIFY(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"),
                                                         TestDvdsDir() + QStringLiteral("/pal-film-open/VIDEO_TS"),
                                                         disc.path()})
                == 0);
        QFile vob(disc.filePath(QStringLiteral("VIDEO_TS/VTS_01_1.VOB")));
        QVERIFY(vob.open(QIODevice::ReadWrite) && vob.seek(offset));
        QCOMPARE(vob.write(QByteArray(length, '\0')), length);
        vob.close();

        OpenFolder(disc.path());
        Choice c;
        c.chapter = chapter;
        Check(c);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StreamedIntermediate = mode == 2;
        request.Preferences.HighQualityIntermediate = mode >= 1;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->MadeFiles().isEmpty(), qPrintable(m_run->MadeFiles().join(u' ')));
        QCOMPARE(m_run->Failures().size(), 1);
        const QString reason = m_run->Failures().first().Reason;
        QVERIFY2(reason.startsWith(QStringLiteral("the disc is damaged at ")) && reason.contains(u" sectors "),
                 qPrintable(reason));
        QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDamagedVideo)
#include "TestDamagedVideo.moc"
