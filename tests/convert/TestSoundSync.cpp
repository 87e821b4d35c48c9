#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "TestSupport.h"

#include "convert/TSourceProbe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QSize>
#include <QtTest>

Q_DECLARE_METATYPE(TScanType)

// A flash with a beep on the same picture: the sound keeps to the picture.
class TestSoundSync : public ConversionFixture
{
    Q_OBJECT
private slots:
    // A flash and a beep on the same picture stay together: whole titles, chapters and
    // trimmed spans, PAL and NTSC.
    void soundKeepsToThePicture_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<Choice>("choice");
        QTest::addColumn<int>("flashes");
        Choice title, chapter2, trimmed;
        chapter2.chapter = 2;
        trimmed.start = QStringLiteral("00:00:03.3");
        trimmed.end = QStringLiteral("00:00:08.5");
        for (const char *dvd : {"pal-sync", "ntsc-sync"}) {
            QTest::addRow("%s, whole title", dvd) << QString::fromLatin1(dvd) << title << 6;
            QTest::addRow("%s, second chapter", dvd) << QString::fromLatin1(dvd) << chapter2 << 3;
            QTest::addRow("%s, 3.3 s to 8.5 s", dvd) << QString::fromLatin1(dvd) << trimmed << 2;
        }
    }
    void soundKeepsToThePicture()
    {
        QFETCH(QString, dvd);
        QFETCH(Choice, choice);
        QFETCH(int, flashes);
        QVERIFY(LinkTools(m_program->path()));
        Open(dvd);
        Check(choice);
        QCOMPARE(RunToEnd(Request(QStringLiteral("MP4 - H.264 Video"), {})), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(TConversionRun::FailureReport(m_run->Failures())));
        const QString file = m_run->MadeFiles().first();
        const QList<double> seen = FlashTimes(file), heard = BeepTimes(file);
        QCOMPARE(seen.size(), flashes);
        QCOMPARE(heard.size(), flashes);
        for (int i = 0; i < flashes; ++i) {
            const double offset = (heard.at(i) - seen.at(i)) * 1000;
            QVERIFY2(qAbs(offset) <= 5, qPrintable(QStringLiteral("beep %1 ms after flash %2").arg(offset).arg(i + 1)));
        }
    }
};

QTEST_GUILESS_MAIN(TestSoundSync)
#include "TestSoundSync.moc"
