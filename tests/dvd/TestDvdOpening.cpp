// Opening a DVD in the window by every road, for folders and images, and what the window
// says about a damaged disc.

#include "TestSupport.h"
#include "WindowTestBase.h"

#include "core/FileChooser.h"
#include "core/QuarnelApplication.h"
#include "core/TDVDInformation.h"
#include "dvd/DvdOpener.h"
#include "mainwindow/TMainForm.h"
#include "tasklist/TTaskListModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFrame>
#include <QMimeData>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

QString Dvd(const char *name)
{
    return TestDvdsDir() + QLatin1Char('/') + QLatin1String(name);
}

QStringList TitleNames(const TTaskListModel &list)
{
    QStringList names;
    for (int t = 0; t < list.rowCount(); ++t)
        names << list.Entry(list.index(t, 0))->ShortName;
    return names;
}

void CopyDvd(const QString &from, const QString &to)
{
    QVERIFY(QDir().mkpath(to + QStringLiteral("/VIDEO_TS")));
    const QDir source(from + QStringLiteral("/VIDEO_TS"));
    for (const QString &name : source.entryList(QDir::Files))
        QVERIFY(QFile::copy(source.filePath(name), to + QStringLiteral("/VIDEO_TS/") + name));
}

} // namespace

class TestDvdOpening : public WindowTestBase
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_images.isValid());
        QVERIFY(MakeDvdImage(Dvd("ntsc-multi"), Image()));
    }

    void imageByEveryRoad_data()
    {
        QTest::addColumn<QString>("road");
        QTest::newRow("command line") << "command line";
        QTest::newRow("drop") << "drop";
        QTest::newRow("Open Dir") << "open dir";
    }
    void imageByEveryRoad()
    {
        QFETCH(QString, road);
        TMainForm &m = StartWindows(road == QLatin1String("command line") ? QStringList{Image()} : QStringList());
        if (road == QLatin1String("drop")) {
            Drop(m, Image());
        } else if (road == QLatin1String("open dir")) {
            m_chooser->ChooseFolder(Image());
            QTest::mouseClick(m.sbtnOpenDir, Qt::LeftButton);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m.TaskList->rowCount() == 5 && !m.IsOpeningDvd(), 10000);
        QCOMPARE(TitleNames(*m.TaskList), Strings({"Title01", "Title02", "Title03", "Title04", "Title05"}));
        QCOMPARE(DvdInfo.DvdPath, Image());
        QCOMPARE(DvdInfo.Standard, QStringLiteral("NTSC"));
        QVERIFY2(m_boxes->Calls().isEmpty(), qPrintable(m_boxes->Texts().join(QLatin1Char('\n'))));
    }

    // The chooser itself, no hook: it lists images next to folders and takes either.
    void chooserTakesFolderOrImage_data()
    {
        QTest::addColumn<QString>("pick");
        QTest::newRow("image") << Image();
        QTest::newRow("folder") << Dvd("pal-simple");
    }
    void chooserTakesFolderOrImage()
    {
        QFETCH(QString, pick);
        m_chooser.reset();
        QWidget owner;
        QStringList filters;
        QString startedIn;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            startedIn = dialog->directory().absolutePath();
            const QFileInfo picked(pick);
            dialog->setDirectory(picked.absolutePath());
            dialog->selectFile(picked.fileName());
            static_cast<QDialog *>(dialog)->accept(); // as the Choose button does
        });
        QString chosen;
        QVERIFY(FileChooser::BrowseForDvd(&owner, QStringLiteral("Please specify a DVD-ROM"), TestDvdsDir(), chosen));
        QCOMPARE(chosen, pick);
        QCOMPARE(startedIn, QDir(TestDvdsDir()).absolutePath());
        QCOMPARE(filters, QStringList{QStringLiteral("DVD folders and images (*.iso *.ISO)")});
    }

    // A title set lost in both copies: the others are listed, and then the window says what
    // was left out, with the list already showing what was read.
    void damagedDiscSaysWhatIsLeftOut()
    {
        QTemporaryDir temp;
        const QString disc = temp.path() + QStringLiteral("/disc");
        CopyDvd(Dvd("ntsc-multi"), disc);
        for (const char *name : {"VTS_02_0.IFO", "VTS_02_0.BUP"})
            QVERIFY(QFile(disc + QStringLiteral("/VIDEO_TS/") + QLatin1String(name)).resize(1000));

        TMainForm &m = StartWindows({});
        int rowsWhenSaid = -1;
        MessageBox::SetHook([&](const MessageBox::Call &call) {
            rowsWhenSaid = m.TaskList->rowCount();
            m_said << call;
            return QMessageBox::Ok;
        });
        m.OpenDvdFolder(disc);
        QTRY_VERIFY_WITH_TIMEOUT(!m.IsOpeningDvd(), 10000);
        MessageBox::SetHook({});
        QCOMPARE(TitleNames(*m.TaskList), Strings({"Title01", "Title02", "Title03"}));
        QCOMPARE(m_said.size(), 1);
        QCOMPARE(rowsWhenSaid, 3);
        QCOMPARE(int(m_said.first().icon), int(MessageBox::Icon::Warning));
        QVERIFY2(m_said.first().text.startsWith(
                     QStringLiteral("Title set 2 is left out (Title04, Title05). The file %1/VIDEO_TS/VTS_02_0.IFO")
                         .arg(disc)),
                 qPrintable(m_said.first().text));
    }

    // A reading as slow as a drive spinning up, twice: the window goes on with its timers and
    // its hint panel meanwhile, and the second opening waits for the first.
    void slowOpeningKeepsTheWindowAlive()
    {
        DvdOpener::SetReader([](const QString &path) {
            QThread::msleep(1500);
            return DvdTitleLoader::ReadDvd(path);
        });
        TMainForm &m = StartWindows({});
        QElapsedTimer clock;
        qint64 last = 0, longestGap = 0;
        QSet<int> hintHeights;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            longestGap = qMax(longestGap, now - last);
            last = now;
            hintHeights << m.PanHint->height();
        });
        m.OpenDvdFolder(Dvd("pal-simple"));
        m.OpenDvdFolder(Image());
        clock.start();
        timer.start(20);
        QTRY_VERIFY_WITH_TIMEOUT(!m.IsOpeningDvd(), 20000);
        timer.stop();
        DvdOpener::SetReader({});

        QVERIFY2(clock.elapsed() >= 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(longestGap < 1000, qPrintable(QString::number(longestGap)));
        QVERIFY(hintHeights.size() > 10); // it slid open and shut, twice
        QCOMPARE(TitleNames(*m.TaskList), Strings({"Title01", "Title02", "Title03", "Title04", "Title05"}));
        QCOMPARE(DvdInfo.DvdPath, Image());
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    void openerReadsOneAtATime()
    {
        DvdOpener opener;
        QList<TDvdReading> readings;
        connect(&opener, &DvdOpener::Finished, this, [&](const TDvdReading &reading) { readings << reading; });
        QVERIFY(opener.Start(Dvd("ntsc-multi")));
        QVERIFY(opener.IsBusy());
        QVERIFY(!opener.Start(Dvd("pal-simple"))); // refused, not queued
        QTRY_VERIFY_WITH_TIMEOUT(!opener.IsBusy(), 10000);
        QCOMPARE(readings.size(), 1);
        QCOMPARE(readings.first().Titles.size(), 5);
        QCOMPARE(readings.first().DvdPath, Dvd("ntsc-multi") + QStringLiteral("/VIDEO_TS/"));
        QVERIFY(opener.Start(QStringLiteral("/no/such/folder")));
        QTRY_COMPARE_WITH_TIMEOUT(readings.size(), 2, 10000);
        QVERIFY(readings.last().Error.startsWith(QStringLiteral("No DVD in \"/no/such/folder\"")));
    }

private:
    QString Image() const { return m_images.filePath(QStringLiteral("ntsc-multi.iso")); }

    static void Drop(TMainForm &m, const QString &path)
    {
        auto *mime = new QMimeData;
        mime->setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m, &enter);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m, &drop);
        delete mime;
    }

    QTemporaryDir m_images;
    QList<MessageBox::Call> m_said;
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestDvdOpening test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestDvdOpening.moc"
