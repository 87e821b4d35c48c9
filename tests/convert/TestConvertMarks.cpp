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

// Chapter marks in the files that hold them.
class TestConvertMarks : public ConversionFixture
{
    Q_OBJECT
private slots:
    // A viewer skips from chapter to chapter in MKV and MP4: a mark at each chapter start the
    // span holds, named as the disc numbers them, at the chapter's time in the file; AVI has
    // none and says nothing of it.
    void chapterMarks_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("start"); // a trimmed span's, empty for the whole title
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<double>>("times"); // the list's chapter starts less the span's
        QTest::addColumn<bool>("off"); // the preference turned off
        const QStringList three{QStringLiteral("Chapter 01"), QStringLiteral("Chapter 02"),
                                QStringLiteral("Chapter 03")};
        QTest::newRow("MKV, whole title")
            << QStringLiteral("MKV - Matroska Video") << QString() << three << QList<double>{0, 0, 0} << false;
        QTest::newRow("MP4, whole title")
            << QStringLiteral("MP4 - H.264 Video") << QString() << three << QList<double>{0, 0, 0} << false;
        QTest::newRow("MKV, a span from inside the first chapter")
            << QStringLiteral("MKV - Matroska Video") << QStringLiteral("00:00:03") << three.mid(1)
            << QList<double>{3, 3} << false;
        QTest::newRow("AVI holds none") << QStringLiteral("AVI - MPEG-4 Video") << QString() << QStringList()
                                        << QList<double>() << false;
        QTest::newRow("MKV with the marks turned off")
            << QStringLiteral("MKV - Matroska Video") << QString() << QStringList() << QList<double>() << true;
    }
    void chapterMarks()
    {
        QFETCH(QString, profile);
        QFETCH(QString, start);
        QFETCH(QStringList, names);
        QFETCH(QList<double>, times);
        QFETCH(bool, off);
        QVERIFY(LinkTools(m_program->path()));
        Open(QStringLiteral("pal-real"));
        Choice title;
        if (!start.isEmpty()) {
            title.start = start;
            title.end = QStringLiteral("00:00:20"); // the title's end
        }
        Check(title);
        TConversionRequest request = Request(profile, {});
        request.Preferences.ChapterMarks = !off;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_chapters"),
                     QStringLiteral("-of"), QStringLiteral("json"), m_run->MadeFiles().first()});
        QVERIFY(probe.waitForFinished(30000));
        const QJsonArray chapters =
            QJsonDocument::fromJson(probe.readAllStandardOutput()).object().value(QStringLiteral("chapters")).toArray();
        QStringList got;
        for (const QJsonValue &c : chapters)
            got << c.toObject().value(QStringLiteral("tags")).toObject().value(QStringLiteral("title")).toString();
        QCOMPARE(got, names);
        // Each at its chapter's start in the list (whole seconds there), shifted by the span's start.
        const QModelIndex titleIndex = m_list.index(0, 0);
        for (int i = 0; i < chapters.size(); ++i) {
            const int number = names.at(i).right(2).toInt();
            const double listed = m_list.Entry(m_list.index(number - 1, 0, titleIndex))->Start;
            const double at = chapters.at(i).toObject().value(QStringLiteral("start_time")).toString().toDouble();
            QVERIFY2(qAbs(at - (listed - times.at(i))) < 1.0,
                     qPrintable(QStringLiteral("%1 at %2, listed %3").arg(names.at(i)).arg(at).arg(listed)));
        }
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestConvertMarks)
#include "TestConvertMarks.moc"
