#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "FakePowerManager.h"
#include "FileSizeLimit.h"
#include "TestSupport.h"

#include "convert/run/FreeSpace.h"
#include "convert/run/TConversionRun.h"
#include "core/AppFolders.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "dvd/DvdTitleLoader.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"
#include "tasklist/TTaskListModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The conversion through an intermediate file: the room it takes.
class TestConvertIntermediate : public ConversionFixture
{
    Q_OBJECT
private slots:
    // The room asked for a high-quality intermediate holds what the encoder writes of noisy
    // pictures, at the DVD's size and scaled.
    void intermediateFitsItsRoom_data()
    {
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<double>("frameRate");
        QTest::newRow("noisy PAL at its own size")
            << QStringLiteral("pal-real") << QStringLiteral("Original Size") << QSize(720, 576) << 25.0;
        QTest::newRow("noisy NTSC at its own size")
            << QStringLiteral("ntsc-real") << QStringLiteral("Original Size") << QSize(720, 480) << 29.97;
        QTest::newRow("noisy PAL scaled")
            << QStringLiteral("pal-real") << QStringLiteral("640x480") << QSize(640, 360) << 25.0;
    }
    void intermediateFitsItsRoom()
    {
        QFETCH(QString, dvd);
        QFETCH(QString, size);
        QFETCH(QSize, picture);
        QFETCH(double, frameRate);
        QVERIFY(LinkTools(m_program->path()));
        QTemporaryDir marks;
        const QString sizes = marks.filePath(QStringLiteral("sizes"));
        SetToolNotes(sizes);
        WriteTool(QStringLiteral("asapi.dll"),
                  QStringLiteral(
                      "mencoder \"$@\"; status=$?\n"
                      "case \"$*\" in *-ovc*) eval out=\\${$#}; stat -c %s \"$out\" >> \"$QUARNEL_TEST_PIDS\";; esac\n"
                      "exit $status\n"));
        Open(dvd);
        Check(Choice());
        TConversionRequest request =
            Request(QStringLiteral("MKV - Matroska Video"), {{QStringLiteral("Video Size"), size}});
        request.Preferences.HighQualityIntermediate = true;
        request.Preferences.StreamedIntermediate = false;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        SetToolNotes(QString());
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        const qint64 written = ReadBytes(sizes).trimmed().toLongLong();
        const double seconds = request.Entries.first().Data.End - request.Entries.first().Data.Start;
        const double kbps = written * 8 / seconds / 1000;
        const double estimate = IntermediateKbps(true, QString(), picture.width(), picture.height(), frameRate);
        qInfo("%s: %.0f kbit/s written, %.0f estimated", qPrintable(dvd), kbps, estimate);
        QVERIFY2(kbps > 0 && kbps <= estimate, qPrintable(QStringLiteral("%1 of %2").arg(kbps).arg(estimate)));
    }
};

QTEST_GUILESS_MAIN(TestConvertIntermediate)
#include "TestConvertIntermediate.moc"
