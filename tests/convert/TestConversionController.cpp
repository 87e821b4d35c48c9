#include "ConvertTestSupport.h"
#include "Fakes.h"
#include "TestSupport.h"

#include "convert/run/TConversionController.h"
#include "core/AppFolders.h"
#include "core/OutputExt.h"
#include "core/ProgramInfo.h"
#include "core/TDVDInformation.h"
#include "core/TImageButton.h"
#include "core/TimeText.h"
#include "mainwindow/TMainForm.h"
#include "profiles/TIniFile.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

const QString kProfile = QStringLiteral("MKV - Matroska Video");

void Click(TImageButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

} // namespace

// The conversion bound to a real main window, offscreen: Start, Stop, closing, the
// progress panel and the lock around a run.
class TestConversionController : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_boxes = std::make_unique<RecordingMessageBox>();
        m_shell = std::make_unique<RecordingShell>();
        m_power = std::make_unique<FakePowerManager>();
        m_notifier = std::make_unique<RecordingNotifier>();
        m_program = std::make_unique<TestProgramFolder>();
        m_work = std::make_unique<QTemporaryDir>();
        m_out = std::make_unique<QTemporaryDir>();
        DvdInfo = TDVDInformation();
    }
    void cleanup()
    {
        m_controller.reset();
        m_main.reset();
        QCOMPARE(LiveChildren(), QList<qint64>());
        m_grids.reset();
        m_out.reset();
        m_work.reset();
        m_program.reset();
        m_notifier.reset();
        m_power.reset();
        m_shell.reset();
        m_boxes.reset();
    }

    void startChecks()
    {
        TMainForm &m = Window(true);
        m.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m));
        m.TaskList->UncheckAll();
        Click(m.imgStart);
        QCOMPARE(m_boxes->Texts(),
                 QStringList{QStringLiteral("Please have Titles and Chapters you want to convert checked.")});
        QCOMPARE(m_boxes->Calls().first().caption, QStringLiteral("No Title or Chapter checked"));
        QCOMPARE(m_boxes->Calls().first().icon, MessageBox::Icon::Information);

        Check(m, 0, 0);
        // A missing folder is offered to be made; No stays at the field.
        m.edtOutputDir->setText(m_out->path() + QStringLiteral("/missing/"));
        m.cmbProfile->setFocus();
        m_boxes->Answer(QMessageBox::No);
        Click(m.imgStart);
        QCOMPARE(m_boxes->Texts().last(), QStringLiteral("The output folder %1/missing does not exist. Do you want to "
                                                         "create it?").arg(m_out->path()));
        QTRY_VERIFY(m.edtOutputDir->hasFocus());
        // One named without its full path is not made but refused.
        m.edtOutputDir->setText(QStringLiteral("missing/"));
        m.cmbProfile->setFocus();
        Click(m.imgStart);
        QCOMPARE(m_boxes->Texts().last(),
                 QStringLiteral("The output path does not exist. Please specify another one."));
        QCOMPARE(m_boxes->Calls().last().caption, QStringLiteral("Output path does not exist"));
        QTRY_VERIFY(m.edtOutputDir->hasFocus());
        QVERIFY(!QFileInfo::exists(m_out->path() + QStringLiteral("/missing")));

        m.edtOutputDir->setText(m_out->path() + QLatin1Char('/'));
        m.cmbProfile->setCurrentIndex(-1);
        Click(m.imgStart);
        QCOMPARE(m_boxes->Texts().last(), QStringLiteral("Please select a valid output profile."));
        QCOMPARE(m_boxes->Calls().last().caption, QStringLiteral("Profile"));
        QTRY_VERIFY(m.cmbProfile->hasFocus());

        // Nothing was locked or started.
        QVERIFY(m.imgStart->isVisible());
        QVERIFY(!m.PanHint->isVisible());
        QVERIFY(!m_controller->Run().IsActive());
    }

    // A title and two chapters: both bars, the frames and the times move, three files come.
    void convertsTitleAndChapters()
    {
        TMainForm &m = Window(true);
        Check(m, 0, 0);
        Check(m, 1, 1);
        Check(m, 1, 2);
        QList<int> totals;
        QStringList frames, elapsed, hints;
        connect(m.pgbTotal, &QProgressBar::valueChanged, this, [&](int v) { totals << v; });
        connect(&m_controller->Run(), &TConversionRun::ProgressChanged, this, [&](const TConversionProgress &p) {
            frames << p.FrameText;
            elapsed << p.ElapsedText;
        });
        connect(&m_controller->Run(), &TConversionRun::HintChanged, this, [&](const QString &h) { hints << h; });
        const QString caption = m.windowTitle();
        QStringList titles;
        connect(&m, &QWidget::windowTitleChanged, this, [&](const QString &t) { titles << t; });
        bool lockedDuringRun = false;
        connect(&m_controller->Run().Runner(), &TProcessRunner::ToolStarted, this, [&] {
            lockedDuringRun = m.imgStop->isVisible() && !m.imgStart->isVisible() && !m.ltvTask->isEnabled()
                           && !m.sbtnOpenDVD->isEnabled() && m.panBottomLeft->isVisible()
                           && !m.panBottomCenter->isVisible() && m.chkTurnoff->isVisible();
        });
        QSignalSpy ended(m_controller.get(), &TConversionController::ConversionEnded);
        Click(m.imgStart);
        QVERIFY(ended.wait(60000));
        QCOMPARE(ended.first().at(0).value<TConversionRun::Outcome>(), TConversionRun::Outcome::Completed);
        QVERIFY(lockedDuringRun);

        QCOMPARE(m_boxes->Texts(), QStringList{QStringLiteral("The conversion is completed successfully.")});
        const QStringList files = QDir(m_out->path()).entryList(QDir::Files);
        QCOMPARE(files, Strings({"Title01.mkv", "Title02-Chapter01.mkv", "Title02-Chapter02.mkv"}));
        for (const QString &f : files)
            QVERIFY2(Probe(m_out->filePath(f)).value(QStringLiteral("duration")).toDouble() > 1.5, qPrintable(f));
        QCOMPARE(hints, Strings({"Converting: -Title01.mkv", "Converting: -Title02-Chapter01.mkv",
                                 "Converting: -Title02-Chapter02.mkv"}));
        QVERIFY(totals.size() > 3);
        QCOMPARE(totals.last(), 100);
        QVERIFY(frames.contains(QStringLiteral("100 / 100")) && frames.contains(QStringLiteral("50 / 50")));
        QVERIFY(elapsed.contains(QStringLiteral("00:00:01")));
        QCOMPARE(m.labTotalProgress->text(), QStringLiteral("100%"));
        // The task bar shows how far the run is, and the desktop hears of its end.
        const QRegularExpression progressTitle(QStringLiteral("^\\d{1,3}% - ") + QRegularExpression::escape(caption)
                                               + QLatin1Char('$'));
        QVERIFY2(titles.size() > 2 && titles.count() - 1 == titles.filter(progressTitle).size(),
                 qPrintable(titles.join(QLatin1Char('|'))));
        QCOMPARE(titles.last(), caption);
        QCOMPARE(m.windowTitle(), caption);
        QCOMPARE(m_notifier->sent, (QList<QPair<QString, QString>>{
                                       {ProgramInfo::ProductName(), QStringLiteral("The conversion is completed successfully.")}}));
        // The converter's command, reading the disc's span from the pipe.
        QVERIFY(m.Memo2->toPlainText().startsWith(QStringLiteral(" -y -f mpeg ")));
        QVERIFY(!m.Memo1->toPlainText().isEmpty());
        ExpectUnlocked(m);
    }

    // A "to all" answer holds for the rest of the run; while a question waits, the run's
    // clocks and figures stand still.
    void overwriteToAll_data()
    {
        QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
        QTest::addColumn<QStringList>("replaced");
        QTest::newRow("no, then yes to all") << QList<QMessageBox::StandardButton>{QMessageBox::No, QMessageBox::YesToAll}
                                            << Strings({"Title01-Chapter02.mkv", "Title02-Chapter01.mkv"});
        QTest::newRow("yes, then no to all") << QList<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::NoToAll}
                                            << Strings({"Title01-Chapter01.mkv"});
    }
    void overwriteToAll()
    {
        QFETCH(QList<QMessageBox::StandardButton>, answers);
        QFETCH(QStringList, replaced);
        TMainForm &m = Window(true);
        const QStringList targets = Strings({"Title01-Chapter01.mkv", "Title01-Chapter02.mkv", "Title02-Chapter01.mkv"});
        for (const QString &name : targets) {
            QFile f(m_out->filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        Check(m, 0, 1);
        Check(m, 0, 2);
        Check(m, 1, 1);
        for (QMessageBox::StandardButton answer : answers)
            m_boxes->Answer(answer);
        const QString question = QStringLiteral("Output File Exists");
        QStringList figuresWhileAsked;
        m_boxes->WhileShown([&](const MessageBox::Call &call) {
            if (call.caption != question)
                return;
            QSignalSpy moved(&m_controller->Run(), &TConversionRun::ProgressChanged);
            const QStringList before{m.labElapsed->text(), m.labRemaining->text(), m.windowTitle()};
            QTest::qWait(2200);
            const QStringList after{m.labElapsed->text(), m.labRemaining->text(), m.windowTitle()};
            figuresWhileAsked << QStringLiteral("%1 -> %2, %3 changes")
                                     .arg(before.join(QLatin1Char(' ')), after.join(QLatin1Char(' ')))
                                     .arg(moved.size());
            QVERIFY2(before == after && moved.isEmpty(), qPrintable(figuresWhileAsked.last()));
        });
        QSignalSpy ended(m_controller.get(), &TConversionController::ConversionEnded);
        Click(m.imgStart);
        QVERIFY(ended.wait(60000));
        QCOMPARE(ended.first().at(0).value<TConversionRun::Outcome>(), TConversionRun::Outcome::Completed);

        // Asked for the first two files only, with the four answers offered.
        QList<MessageBox::Call> asked;
        for (const MessageBox::Call &call : m_boxes->Calls())
            if (call.caption == question)
                asked << call;
        QCOMPARE(asked.size(), 2);
        QCOMPARE(figuresWhileAsked.size(), 2);
        QVERIFY(asked.at(0).text.contains(QStringLiteral("Title01-Chapter01.mkv")));
        QVERIFY(asked.at(1).text.contains(QStringLiteral("Title01-Chapter02.mkv")));
        QCOMPARE(asked.at(0).buttons,
                 QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll);
        for (const QString &name : targets) {
            QFile f(m_out->filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY2((f.readAll() != "old") == replaced.contains(name), qPrintable(name));
        }
        QCOMPARE(QDir(m_out->path()).entryList(QDir::Files), targets); // nothing renamed
        QCOMPARE(m_boxes->Texts().last(), QStringLiteral("The conversion is completed successfully."));
    }

    // Stop at any moment: no tool left, no intermediate file, the window usable again.
    void stop_data()
    {
        QTest::addColumn<int>("title");
        QTest::addColumn<int>("chapter");
        QTest::addColumn<bool>("trim");
        QTest::addColumn<QString>("when"); // "start", "prepass", "encoder", "transcoder"
        QTest::newRow("title, while the disc is read into the converter")
            << 0 << 0 << false << QStringLiteral("transcoder");
        QTest::newRow("chapter, in the transcoder pass") << 1 << 1 << false << QStringLiteral("transcoder");
        QTest::newRow("trimmed title, in the pre-pass") << 2 << 0 << true << QStringLiteral("prepass");
        QTest::newRow("trimmed title, in the transcoder pass") << 2 << 0 << true << QStringLiteral("transcoder");
        QTest::newRow("title, while the hint still opens") << 0 << 0 << false << QStringLiteral("start");
    }
    void stop()
    {
        QFETCH(int, title);
        QFETCH(int, chapter);
        QFETCH(bool, trim);
        QFETCH(QString, when);
        TMainForm &m = Window(true);
        Check(m, title, chapter);
        if (trim) {
            TTaskNodeData *d = m.TaskList->Entry(m.TaskList->index(title, 0));
            d->StartText = QStringLiteral("00:00:01");
            d->EndText = QStringLiteral("00:00:03");
            d->Start = 1;
            d->End = 3;
        }
        TProcessRunner &runner = m_controller->Run().Runner();
        bool encoderPass = false;
        connect(&m_controller->Run(), &TConversionRun::CommandLineChanged, this, [&] { encoderPass = true; });
        bool stopped = false;
        connect(&runner, &TProcessRunner::ToolStarted, this, [&](TProcessRunner::Slot slot) {
            const bool now = when == u"prepass" ? slot == TProcessRunner::Encoder && !encoderPass
                           : when == u"encoder" ? slot == TProcessRunner::Encoder && encoderPass
                                                : slot == TProcessRunner::Transcoder;
            if (!now || stopped)
                return;
            stopped = true;
            if (when == u"prepass")
                Click(m.imgStop);
            else
                QTimer::singleShot(50, this, [&m] { Click(m.imgStop); });
        });
        QSignalSpy ended(m_controller.get(), &TConversionController::ConversionEnded);
        Click(m.imgStart);
        if (when == u"start") {
            QVERIFY(m.imgStop->isVisible());
            Click(m.imgStop);
            stopped = true;
        }
        QVERIFY(ended.wait(60000));
        QVERIFY(stopped);
        QCOMPARE(ended.first().at(0).value<TConversionRun::Outcome>(), TConversionRun::Outcome::Cancelled);
        QCOMPARE(m_boxes->Texts(), QStringList{QStringLiteral("The conversion is canceled.")});
        QCOMPARE(m_boxes->Calls().first().caption, QStringLiteral("Cancel"));
        QCOMPARE(LiveChildren(), QList<qint64>());
        QVERIFY(!QFile::exists(AppFolders::IntermediateFile()));
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files), QStringList());
        QVERIFY(!m_controller->Run().Clock().isActive());
        ExpectUnlocked(m);
        QVERIFY(m_notifier->sent.isEmpty());
        QCOMPARE(m.windowTitle(), ProgramInfo::MainCaption());
        // A stopped run does not keep the next one from starting.
        QVERIFY(!m_controller->IsBusy());
    }

    // Closing the window in the middle of a run ends the tools before the window goes.
    void closingDuringARun()
    {
        TMainForm &m = Window(true);
        Check(m, 0, 0);
        QSignalSpy started(&m_controller->Run().Runner(), &TProcessRunner::ToolStarted);
        QSignalSpy commands(&m_controller->Run(), &TConversionRun::CommandLineChanged);
        Click(m.imgStart);
        QTRY_VERIFY_WITH_TIMEOUT(
            !commands.isEmpty() && m_controller->Run().Runner().IsRunning(TProcessRunner::Transcoder), 20000);
        // Asked first: No keeps the window and the run.
        const QString question = QStringLiteral("A conversion is running. Stop it and quit?");
        m_boxes->Answer(QMessageBox::No);
        QVERIFY(!m.close());
        QCOMPARE(m_boxes->Texts(), QStringList{question});
        QVERIFY(m.isVisible());
        QVERIFY(m_controller->Run().IsActive());
        // Yes stops it and closes.
        m_boxes->Answer(QMessageBox::Yes);
        QVERIFY(m.close());
        QCOMPARE(LiveChildren(), QList<qint64>());
        QVERIFY(!QFile::exists(AppFolders::IntermediateFile()));
        QVERIFY(!m_controller->Run().IsActive());
        QTest::qWait(100);
        QCOMPARE(m_boxes->Texts(), (QStringList{question, question}));
        // The window saved its preferences as on every close.
        QCOMPARE(TIniFile(AppFolders::PreferencesFile())
                     .ReadString(QStringLiteral("Main"), QStringLiteral("Output Path"), QString()),
                 m_out->path() + QLatin1Char('/'));
    }

    void missingToolThroughTheWindow()
    {
        TMainForm &m = Window(false);
        Check(m, 0, 0);
        QSignalSpy ended(m_controller.get(), &TConversionController::ConversionEnded);
        Click(m.imgStart);
        QVERIFY(ended.wait(20000));
        QCOMPARE(m_boxes->Texts(), QStringList{QStringLiteral("Error. Please re-install Quarnel")});
        ExpectUnlocked(m);
    }

    void preferencesFromTheSettingControls()
    {
        QWidget group; // the Settings dialog's choice is one of three
        auto *ask = new QRadioButton(&group), *rename = new QRadioButton(&group), *overwrite = new QRadioButton(&group);
        QCheckBox exit, openDir;
        rename->setChecked(true);
        exit.setChecked(true);
        TConversionPreferences p = TConversionController::ReadPreferences(ask, rename, &exit, &openDir);
        QCOMPARE(p.Existing, TConversionPreferences::WhenExists::Rename);
        QVERIFY(p.ExitWhenDone && !p.OpenFolderWhenDone);
        overwrite->setChecked(true);
        openDir.setChecked(true);
        p = TConversionController::ReadPreferences(ask, rename, &exit, &openDir);
        QCOMPARE(p.Existing, TConversionPreferences::WhenExists::Overwrite);
        QVERIFY(p.OpenFolderWhenDone);
        ask->setChecked(true);
        QCOMPARE(TConversionController::ReadPreferences(ask, rename, &exit, &openDir).Existing,
                 TConversionPreferences::WhenExists::Ask);
    }

private:
    TMainForm &Window(bool withTools)
    {
        if (withTools)
            [&] { QVERIFY(LinkTools(m_program->path())); }();
        m_main = std::make_unique<TMainForm>(m_program->path());
        TMainForm &m = *m_main;
        AppFolders::SetWorkDir(m_work->path());
        m_controller = std::make_unique<TConversionController>(m.ConversionPanel());
        const QString profile = AppFolders::ProfilesFolder() + kProfile + QStringLiteral(".apf");
        m_grids = std::make_unique<ShownGrids>(profile);
        m_grids->Set(QStringLiteral("Video Size"), QStringLiteral("640x480"));
        m_controller->SetGrids(m_grids.get());
        m.show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&m)); }();
        m.cmbProfile->setCurrentIndex(m.cmbProfile->findText(kProfile));
        SetOutputExt(QStringLiteral(".mkv"));
        m.edtOutputDir->setText(m_out->path() + QLatin1Char('/'));
        QSignalSpy opened(&m, &TMainForm::DvdOpened);
        m.OpenDvdFolder(TestDvdsDir() + QStringLiteral("/pal-twolang"));
        [&] { QVERIFY(opened.wait(20000)); }();
        m.TaskList->UncheckAll();
        return m;
    }

    void Check(TMainForm &m, int title, int chapter)
    {
        QModelIndex index = m.TaskList->index(title, 0);
        if (chapter > 0)
            index = m.TaskList->index(chapter - 1, 0, index);
        m.TaskList->SetChecked(index, true);
    }

    void ExpectUnlocked(TMainForm &m)
    {
        QTRY_VERIFY(!m.PanHint->isVisible());
        QVERIFY(m.imgStart->isVisible());
        QVERIFY(!m.imgStop->isVisible());
        QVERIFY(m.ltvTask->isEnabled());
        QVERIFY(m.sbtnOpenDVD->isEnabled() && m.sbtnOpenDir->isEnabled() && m.sbtnSegment->isEnabled());
        QVERIFY(m.panBottomCenter->isVisible());
        QVERIFY(!m.panBottomLeft->isVisible());
        QVERIFY(!m_controller->IsBusy());
    }

    std::unique_ptr<RecordingMessageBox> m_boxes;
    std::unique_ptr<RecordingShell> m_shell;
    std::unique_ptr<FakePowerManager> m_power;
    std::unique_ptr<RecordingNotifier> m_notifier;
    std::unique_ptr<TestProgramFolder> m_program;
    std::unique_ptr<QTemporaryDir> m_work, m_out;
    std::unique_ptr<ShownGrids> m_grids;
    std::unique_ptr<TMainForm> m_main;
    std::unique_ptr<TConversionController> m_controller;
};

QTEST_MAIN(TestConversionController)
#include "TestConversionController.moc"
