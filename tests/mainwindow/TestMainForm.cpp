#include "TestSupport.h"
#include "WindowTestBase.h"

#include "core/AppFolders.h"
#include "core/EQuarnelError.h"
#include "core/OwnedWindows.h"
#include "core/QuarnelApplication.h"
#include "core/TImageButton.h"
#include "core/TTaskNodeData.h"
#include "dialogs/TAboutForm.h"
#include "dialogs/TEditDVDVolumeForm.h"
#include "dialogs/TEditTimeForm.h"
#include "dialogs/THelpWindow.h"
#include "dialogs/TSizeForm.h"
#include "dvd/TOpenDVDForm.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TQuarnelWindows.h"
#include "profiles/TSettingForm.h"
#include "profiles/TValueListEditor.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"
#include "tasklist/TTrackChoiceBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QByteArray kProfile = "[Main]\r\nType=avi\r\nPara=0\r\n";

// The program's windows on a program folder of the test's own.
struct Program
{
    explicit Program(const TestProgramFolder &folder) : windows(std::make_unique<TQuarnelWindows>(folder.path())) { }
    TMainForm &main() const { return *windows->MainForm(); }
    void show() const
    {
        main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&main()));
    }
    std::unique_ptr<TQuarnelWindows> windows;
};

// A control in a failure message: its kind, its text if it is a label, where it is.
QString Describe(const QWidget *w)
{
    const auto *label = qobject_cast<const QLabel *>(w);
    const QRect r = w->geometry();
    return QLatin1String(w->metaObject()->className()) + (label ? QStringLiteral(" \"") + label->text() + QLatin1Char('"') : QString())
         + QStringLiteral(" %1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

void SendMouse(QWidget *widget, QEvent::Type type, Qt::MouseButton button = Qt::NoButton)
{
    const QPointF pos(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease || type == QEvent::MouseMove ? Qt::NoButton : button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Throws from its event handler, as a failing handler of the program would.
class ThrowingObject : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw EQuarnelError(QStringLiteral("Cannot parse file \"x.IFO\"."));
        return QObject::event(e);
    }
};

} // namespace

class TestMainForm : public WindowTestBase
{
    Q_OBJECT
private slots:
    void layoutAndCaptions()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        TMainForm &m = p.main();
        QCOMPARE(m.size(), QSize(868, 554));
        QCOMPARE(m.windowTitle(), QStringLiteral("Quarnel V2.0"));
        QCOMPARE(m.panMain->geometry(), QRect(24, 25, 604, 509));
        QCOMPARE(m.panProfile->geometry(), QRect(638, 25, 230, 509));
        QCOMPARE(m.panPreview->height(), 205);
        QCOMPARE(m.VideoWindow->size(), QSize(210, 139));
        QCOMPARE(m.panPreviewButton->height(), 66);
        QCOMPARE(m.TrackBar->maximum(), 100);
        QCOMPARE(m.Panel1->height(), 84);
        QCOMPARE(m.imgStart->size(), QSize(133, 65));
        QCOMPARE(m.imgStart->geometry(), m.imgStop->geometry());
        QCOMPARE(m.ltvTask->geometry(), QRect(0, 0, 604, 338));
        QCOMPARE(m.panbg->geometry(), m.ltvTask->geometry());
        QCOMPARE(m.Panel2->height(), 62);
        QCOMPARE(m.panBottom->height(), 109);
        QCOMPARE(m.labProgramName->text(), QStringLiteral("Quarnel"));

        const QList<QPair<QAbstractButton *, QString>> captions{
            {m.sbtnOpenDVD, QStringLiteral("Open DVD")},
            {m.sbtnOpenDir, QStringLiteral("Open Dir")},
            {m.sbtnSegment, QStringLiteral("Segment")},
            {m.sbtnOptions, QStringLiteral("Settings")},
            {m.bbtnSetting, QStringLiteral("&Settings")},
            {m.bbtnBrowser, QStringLiteral("&Browse")},
            {m.bbtnOpen, QStringLiteral("&Open")},
            {m.chkTurnoff, QStringLiteral("Turn off the computer after the conversion is completed.")}};
        for (const auto &[button, caption] : captions)
            QCOMPARE(button->text(), caption);
        const QList<QPair<QToolButton *, QString>> hints{{m.SpeedButton1, QStringLiteral("Help (F1)")},
                                                         {m.SpeedButton2, QStringLiteral("About")},
                                                         {m.SpeedButton3, QStringLiteral("Visit our website")}};
        for (const auto &[button, hint] : hints) {
            QCOMPARE(button->toolTip(), hint);
            QCOMPARE(button->size(), QSize(22, 22));
        }

        const QStringList columns = Strings({"Title", "Start", "End", "Output File", ""});
        const int widths[] = {175, 80, 80, 200, 10};
        for (int c = 0; c < columns.size(); ++c) {
            QCOMPARE(m.ltvTask->model()->headerData(c, Qt::Horizontal).toString(), columns[c]);
            QCOMPARE(m.ltvTask->columnWidth(c), widths[c]);
        }
        for (QComboBox *combo : std::initializer_list<QComboBox *>{m.cmbAudio, m.cmbSub, m.cmbAngle, m.cmbProfile})
            QVERIFY(!combo->isEditable());

        for (QLabel *time : {m.labStart, m.labMiddle, m.labEnd, m.labPreviewPlayTime})
            QCOMPARE(time->text(), QStringLiteral("00:00:00"));
        QCOMPARE(m.labCurProgress->text(), QStringLiteral("0%"));
        QCOMPARE(m.labTotalProgress->text(), QStringLiteral("0%"));
    }

    void startUpState()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        QVERIFY(m.panbg->isVisible());
        QVERIFY(m.panBottomCenter->isVisible());
        QVERIFY(!m.panBottomLeft->isVisible());
        QVERIFY(m.imgStart->isVisible());
        QVERIFY(!m.imgStop->isVisible());
        QVERIFY(!m.PanHint->isVisible());
        QVERIFY(!m.labMiddle->isVisible());
        QVERIFY(!m.cmbAudioLanguage->isVisible());
        QVERIFY(!m.Memo1->isVisible() && !m.Memo2->isVisible());
        QCOMPARE(m_power->inhibitCalls, 1); // suspend is refused from the start, idle or not
        QCOMPARE(AppFolders::EncoderExe(), folder.path() + QStringLiteral("asapi.dll"));
        QCOMPARE(AppFolders::TranscoderExe(), folder.path() + QStringLiteral("wmaspi.dll"));
    }

    void formResizeRules()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        m.resize(TMainForm::ClientWidth, TMainForm::ClientHeight); // the test screen may be smaller
        QCOMPARE(m.panBottomCenter->width(), 604);
        QCOMPARE(m.panBottomLeft->width(), 604);
        QCOMPARE(m.bbtnSetting->x(), 514);
        QCOMPARE(m.cmbProfile->geometry().right(), 514 - 3);
        QCOMPARE(m.bbtnOpen->x(), 514);
        QCOMPARE(m.bbtnBrowser->x(), 431);
        QCOMPARE(m.edtOutputDir->geometry().right(), 431 - 3);
        QCOMPARE(m.edtOutputDir->x(), m.cmbProfile->x());
        QCOMPARE(m.cmbAudio->x(), m.cmbProfile->x());
        // No caption touches its field, whatever the font makes of it.
        for (QWidget *field :
             {static_cast<QWidget *>(m.cmbAudio), static_cast<QWidget *>(m.cmbSub), static_cast<QWidget *>(m.cmbAngle),
              static_cast<QWidget *>(m.cmbProfile), static_cast<QWidget *>(m.edtOutputDir)}) {
            int captionRight = -1;
            for (QLabel *label : m.panBottomCenter->findChildren<QLabel *>()) {
                if (qAbs(label->y() - field->y()) < 8 && label->x() < field->x())
                    captionRight = qMax(captionRight, label->x() + label->sizeHint().width());
            }
            QVERIFY(captionRight > 0);
            QVERIFY2(captionRight + 4 <= field->x(), qPrintable(field->objectName()));
        }
        QVERIFY(m.cmbAngle->geometry().right() < m.panBottomCenter->width());
        QCOMPARE(m.labCurProgress->x(), 579);
        QCOMPARE(m.labTotalProgress->x(), 579);
        // The bars reach to 5 pixels before their percentages, from where their captions end.
        for (QFrame *frame : {m.panCurrentFrame, m.panTotalFrame}) {
            QVERIFY(frame->x() >= 100);
            QCOMPARE(frame->geometry().right(), 579 - 6);
        }
        QCOMPARE(m.pgbCurrent->width(), m.panCurrentFrame->width() - 1);
        QCOMPARE(m.pgbTotal->width(), m.panTotalFrame->width() - 1);
        QCOMPARE(m.TrackBar->width(), 206);
    }

    void versionFromPreferences_data()
    {
        QTest::addColumn<QByteArray>("preferences");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no file") << QByteArray() << QStringLiteral("Quarnel V2.0");
        QTest::newRow("no Version key") << QByteArray("[Main]\r\nProfile=0\r\n") << QStringLiteral("Quarnel V2.0");
        QTest::newRow("Version 3.1") << QByteArray("[Main]\r\nVersion=3.1\r\n") << QStringLiteral("Quarnel V3.1");
        QTest::newRow("section and key in other case")
            << QByteArray("[MAIN]\r\nversion = 3.2\r\n") << QStringLiteral("Quarnel V3.2");
    }
    void versionFromPreferences()
    {
        QFETCH(QByteArray, preferences);
        QFETCH(QString, caption);
        TestProgramFolder folder(false);
        if (!preferences.isEmpty())
            folder.writeFile(QStringLiteral("Preferences.ini"), preferences);
        Program p(folder);
        QCOMPARE(p.main().windowTitle(), caption);
        QCOMPARE(p.windows->AboutForm()->labVersion->text(),
                 QStringLiteral("Version ") + caption.mid(caption.indexOf(QLatin1Char('V')) + 1));
    }

    void profileListAndRestore_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("preferences");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("selected");
        QTest::newRow("sorted without regard to case, .apf only")
            << Strings({"mpeg.apf", "Avi.APF", "notes.txt", "WMV.apf"}) << QByteArray()
            << Strings({"Avi", "mpeg", "WMV"}) << 0;
        QTest::newRow("stored index") << Strings({"a.apf", "b.apf", "c.apf"}) << QByteArray("[Main]\r\nProfile=2\r\n")
                                      << Strings({"a", "b", "c"}) << 2;
        QTest::newRow("stored index 7 of three: none")
            << Strings({"a.apf", "b.apf", "c.apf"}) << QByteArray("[Main]\r\nProfile=7\r\n") << Strings({"a", "b", "c"})
            << -1;
        QTest::newRow("stored index -1: none")
            << Strings({"a.apf"}) << QByteArray("[Main]\r\nProfile=-1\r\n") << Strings({"a"}) << -1;
        QTest::newRow("hex index") << Strings({"a.apf", "b.apf"}) << QByteArray("[Main]\r\nProfile=0x1\r\n")
                                   << Strings({"a", "b"}) << 1;
        QTest::newRow("garbage index: default 0")
            << Strings({"a.apf", "b.apf"}) << QByteArray("[Main]\r\nProfile=one\r\n") << Strings({"a", "b"}) << 0;
        QTest::newRow("no profiles") << QStringList() << QByteArray("[Main]\r\nProfile=0\r\n") << QStringList() << -1;
    }
    void profileListAndRestore()
    {
        QFETCH(QStringList, files);
        QFETCH(QByteArray, preferences);
        QFETCH(QStringList, listed);
        QFETCH(int, selected);
        TestProgramFolder folder(false);
        for (const QString &name : files)
            folder.writeFile(QStringLiteral("Profiles/") + name, kProfile);
        if (!preferences.isEmpty())
            folder.writeFile(QStringLiteral("Preferences.ini"), preferences);
        Program p(folder);
        QStringList items;
        for (int i = 0; i < p.main().cmbProfile->count(); ++i)
            items << p.main().cmbProfile->itemText(i);
        QCOMPARE(items, listed);
        QCOMPARE(p.main().cmbProfile->currentIndex(), -1); // nothing chosen before the window shows
        p.show();
        QCOMPARE(p.main().cmbProfile->currentIndex(), selected);
    }

    void missingProfilesFolder()
    {
        TestProgramFolder folder(false);
        QVERIFY(QDir(folder.path()).rmdir(QStringLiteral("Profiles")));
        Program p(folder);
        p.show();
        QCOMPARE(p.main().cmbProfile->count(), 0);
        QCOMPARE(p.main().cmbProfile->currentIndex(), -1);
    }

    void outputPathRestoredAndSaved()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/a.apf"), kProfile);
        folder.writeFile(QStringLiteral("Profiles/b.apf"), kProfile);
        folder.writeFile(QStringLiteral("Preferences.ini"),
                         "[Main]\r\nOutput Path=/old/out\r\nProfile=1\r\n[Default]\r\nAsk=1\r\n");
        {
            Program p(folder);
            p.show();
            QCOMPARE(p.main().edtOutputDir->text(), QStringLiteral("/old/out"));
            p.main().edtOutputDir->setText(QStringLiteral("/new/out folder"));
            p.main().cmbProfile->setCurrentIndex(0);
            p.main().resize(790, 480);
            QVERIFY(p.main().close());
        }
        // Replaced in place, nothing else touched; the window's size added.
        QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")),
                 QByteArray("[Main]\r\nOutput Path=/new/out folder\r\nProfile=0\r\nWindow Width=790\r\n"
                            "Window Height=480\r\n[Default]\r\nAsk=1\r\n"));
    }

    void firstStartDefaults()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        QCOMPARE(p.main().edtOutputDir->text(), folder.path());
        QVERIFY(p.main().close());
        const QByteArray saved = folder.readFile(QStringLiteral("Preferences.ini"));
        QVERIFY2(saved.contains("Profile=-1\r\n"), saved.constData());
        QVERIFY2(saved.contains(QByteArray("Output Path=" + folder.path().toUtf8() + "\r\n")), saved.constData());
    }

    void badPreferencesFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe[Main\x00]\r\n\x80\x81=\x00\x00", 16);
        QTest::newRow("NUL bytes in a value") << QByteArray("[Main]\r\nVersion=2\x00"
                                                            "9\r\n",
                                                            20);
        QTest::newRow("100,000-character line")
            << QByteArray("[Main]\r\nOutput Path=") + QByteArray(100000, 'x') + "\r\n";
        QTest::newRow("lone CR and LF line ends") << QByteArray("[Main]\rVersion=4.0\nProfile=0\r");
    }
    void badPreferencesFiles()
    {
        QFETCH(QByteArray, content);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/a.apf"), kProfile);
        folder.writeFile(QStringLiteral("Preferences.ini"), content);
        Program p(folder);
        p.show();
        QVERIFY(p.main().windowTitle().startsWith(QStringLiteral("Quarnel V")));
        QVERIFY(p.main().close());
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    void unwritablePreferencesStillCloses()
    {
        TestProgramFolder folder(false);
        // A folder where the file should be: no write can succeed, not even as root.
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Preferences.ini")));
        Program p(folder);
        p.show();
        QVERIFY(p.main().close());
        // The close still reports the file; the Settings dialog may have named it at start already.
        QVERIFY(!m_boxes->Calls().isEmpty());
        QCOMPARE(m_boxes->Texts().last(),
                 QStringLiteral("Unable to write to ") + folder.file(QStringLiteral("Preferences.ini")));
        QCOMPARE(m_boxes->Calls().last().icon, MessageBox::Icon::Error);
        for (const QString &text : m_boxes->Texts())
            QVERIFY2(text.contains(folder.file(QStringLiteral("Preferences.ini"))), qPrintable(text));
    }

    void busyHintGrowsAndShrinksInExactSteps()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        QList<int> heights;
        connect(&m, &TMainForm::BusyHintHeightChanged, this, [&](int h) { heights << h; });

        int heightWhenWorkStarts = -1;
        bool opened = false;
        m.ShowBusyHint(QStringLiteral("Opening the DVD.   Please wait...."), [&] {
            heightWhenWorkStarts = m.PanHint->height();
            opened = true;
        });
        QVERIFY(m.PanHint->isVisible());
        QCOMPARE(m.labHint->text(), QStringLiteral("Opening the DVD.   Please wait...."));
        QVERIFY(!m.chkTurnoff->isVisible());
        QTRY_VERIFY(opened);
        QCOMPARE(heightWhenWorkStarts, 109);
        QList<int> grow;
        for (int h = 0; h <= 109; ++h)
            grow << h;
        QCOMPARE(heights, grow);

        heights.clear();
        bool closed = false;
        bool visibleAtZero = false;
        m.HideBusyHint([&] { closed = true; });
        connect(&m, &TMainForm::BusyHintHeightChanged, this, [&](int h) {
            if (h == 0)
                visibleAtZero = m.PanHint->isVisible();
        });
        QTRY_VERIFY(closed);
        QList<int> shrink;
        for (int h = 105; h >= 0; h -= 5)
            shrink << h;
        QCOMPARE(heights, shrink);
        QCOMPARE(shrink.size(), 22);
        QVERIFY(visibleAtZero); // fully closed before it is hidden
        QVERIFY(!m.PanHint->isVisible());
    }

    // Requests made while another is under way: each callback runs exactly once, in the
    // order asked, and only when the panel is where that request wanted it.
    void busyHintRequestsThatOverlap_data()
    {
        QTest::addColumn<QString>("requests"); // "S" show, "H" hide, each at "@ms" after the start
        QTest::newRow("hide while showing") << QStringLiteral("S@0 H@50");
        QTest::newRow("show while hiding") << QStringLiteral("S@0 H@400 S@450");
        QTest::newRow("show, show") << QStringLiteral("S@0 S@20");
        QTest::newRow("hide while hidden") << QStringLiteral("H@0");
        QTest::newRow("hide, hide after a show") << QStringLiteral("S@0 H@10 H@20");
        QTest::newRow("many at once") << QStringLiteral("S@0 H@0 S@0 H@0 S@0");
    }
    void busyHintRequestsThatOverlap()
    {
        QFETCH(QString, requests);
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        struct Result
        {
            int calls = 0;
            int order = -1;
            bool wasThere = false;
        };
        const QStringList items = requests.split(QLatin1Char(' '));
        QList<Result> results(items.size());
        int finished = 0;
        for (int i = 0; i < items.size(); ++i) {
            const bool show = items[i].startsWith(QLatin1Char('S'));
            const int at = items[i].mid(2).toInt();
            QTimer::singleShot(at, &m, [&m, &results, &finished, i, show] {
                auto done = [&m, &results, &finished, i, show] {
                    Result &r = results[i];
                    ++r.calls;
                    r.order = finished++;
                    r.wasThere = show ? m.PanHint->isVisible() && m.PanHint->height() == TMainForm::HintFullHeight
                                      : !m.PanHint->isVisible();
                };
                if (show)
                    m.ShowBusyHint(QStringLiteral("Request %1").arg(i), done);
                else
                    m.HideBusyHint(done);
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished, int(items.size()), 5000);
        QTest::qWait(300); // nothing runs twice later on
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(results[i].calls, 1);
            QCOMPARE(results[i].order, i);
            QVERIFY2(results[i].wasThere, qPrintable(items[i]));
        }
        QCOMPARE(m.PanHint->isVisible(), items.last().startsWith(QLatin1Char('S')));
    }

    void lockAndUnlockAroundAConversion()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        QTemporaryDir work;
        AppFolders::SetWorkDir(work.path());
        folder.writeFile(QStringLiteral("temp.avi"), "not this one");
        QFile intermediate(work.path() + QStringLiteral("/temp.avi"));
        QVERIFY(intermediate.open(QIODevice::WriteOnly));
        intermediate.close();

        bool ready = false;
        m.LockUiForConversion([&] { ready = true; });
        const QList<QWidget *> locked{m.sbtnOpenDVD, m.sbtnOpenDir, m.sbtnSegment, m.sbtnOptions,
                                      m.ltvTask,     m.panPreview,  m.ScrollBox1};
        for (QWidget *w : locked)
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(!m.imgStart->isVisible());
        QVERIFY(m.imgStop->isVisible());
        QCOMPARE(m.labHint->text(), QStringLiteral("Preparing to convert. Please wait..."));
        QTRY_VERIFY(ready);
        QVERIFY(m.chkTurnoff->isVisible());
        QVERIFY(m.chkTurnoff->isEnabled()); // the user may still change it during the run

        bool done = false;
        m.UnlockUiAfterConversion([&] { done = true; });
        // The run removes its own intermediate file; one under the usual name may be
        // another run's, in the work folder or the program folder.
        QVERIFY(intermediate.exists());
        QVERIFY(QFile::exists(folder.file(QStringLiteral("temp.avi"))));
        for (QWidget *w : locked)
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(m.imgStart->isVisible());
        QVERIFY(!m.imgStop->isVisible());
        QTRY_VERIFY(done);
        QVERIFY(!m.PanHint->isVisible());
        AppFolders::SetWorkDir(QString());
    }

    // Every secondary window belongs to the main window on the desktop (not to an invisible
    // helper window), and comes back to the front when the main window is activated.
    void secondaryWindowsStayInFrontOfTheMainWindow()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        const QList<QWidget *> windows{p.windows->OpenDVDForm(),       p.windows->SettingForm(),
                                       p.windows->EditDVDVolumeForm(), p.windows->EditTimeForm(),
                                       p.windows->AboutForm(),         p.windows->SizeForm()};
        for (QWidget *window : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QVERIFY(!m.isEnabled());
            QCOMPARE(window->windowHandle()->transientParent(), m.windowHandle());
            QCOMPARE(OwnedWindows::UsableOwner(&m), window); // a box asked for by the main window
            m.activateWindow(); // a click on the main window
            QTRY_COMPARE(QApplication::activeWindow(), window);
            window->close();
            QTRY_VERIFY(m.isEnabled());
            QCOMPARE(OwnedWindows::UsableOwner(m.edtOutputDir), m.edtOutputDir);
        }
    }

    // A real box with a short text is still wide enough for its whole caption.
    void messageBoxWideEnoughForItsCaption()
    {
        m_boxes.reset(); // the real boxes
        int width = 0, needed = 0;
        QTimer::singleShot(0, this, [&] {
            QWidget *box = QApplication::activeModalWidget();
            QVERIFY(box);
            width = box->width();
            needed = OwnedWindows::CaptionWidth(box);
            box->close();
        });
        MessageBox::Information(nullptr, QStringLiteral("No DVD drive is found."), QStringLiteral("No DVD Detected."));
        QVERIFY(needed > 0);
        QVERIFY2(width >= needed, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(needed)));
    }

    // X11 appends an application display name to every caption; none is set.
    void captionsWithoutSuffix()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        QCOMPARE(p.main().windowTitle(), QStringLiteral("Quarnel V2.0"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        // Centred on the screen, give or take the frame the desktop adds.
        const QPoint offset = p.main().geometry().center() - p.main().screen()->availableGeometry().center();
        const QSize frame = p.main().frameGeometry().size() - p.main().size();
        QVERIFY2(qAbs(offset.x()) <= frame.width() && qAbs(offset.y()) <= frame.height(),
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    }

    void startStopHover()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        TImageButton *start = m.imgStart;
        QCOMPARE(start->Tag(), 0);
        SendMouse(start, QEvent::MouseMove);
        QCOMPARE(start->Tag(), 1);
        SendMouse(start, QEvent::MouseMove);
        QCOMPARE(start->Tag(), 1);
        SendMouse(start, QEvent::MouseButtonPress, Qt::LeftButton);
        QCOMPARE(start->Tag(), 2);
        SendMouse(start, QEvent::MouseMove); // moving while pressed keeps the pressed frame
        QCOMPARE(start->Tag(), 2);
        SendMouse(start, QEvent::MouseButtonRelease, Qt::LeftButton);
        QCOMPARE(start->Tag(), 1);
        SendMouse(m.Image10, QEvent::MouseMove);
        QCOMPARE(start->Tag(), 0);

        SendMouse(start, QEvent::MouseMove);
        SendMouse(m.Image4, QEvent::MouseMove); // the bottom margin resets too
        QCOMPARE(start->Tag(), 0);

        // A hidden image keeps its state when the background is crossed.
        SendMouse(start, QEvent::MouseMove);
        start->hide();
        SendMouse(m.Image10, QEvent::MouseMove);
        QCOMPARE(start->Tag(), 1);
    }

    void headerButtons()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        m.edtOutputDir->setText(QStringLiteral("/videos/out"));
        QTest::mouseClick(m.SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(m.SpeedButton3, Qt::LeftButton);
        QTest::mouseClick(m.bbtnOpen, Qt::LeftButton);
        // Help opens the built-in viewer, not the desktop.
        auto *help = m.findChild<THelpWindow *>();
        QVERIFY(help && help->isVisible());
        QCOMPARE(m_shell->Opened(),
                 (QStringList{QStringLiteral("https://quarnel.example.org/"), QStringLiteral("/videos/out")}));
    }

    void aboutBoxDisablesTheMainWindow()
    {
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        TAboutForm *about = p.windows->AboutForm();
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QCOMPARE(about->size(), QSize(476, 330));
        QCOMPARE(about->labProgramName->text(), QStringLiteral("Quarnel"));
        QCOMPARE(about->labVersion->text(), QStringLiteral("Version 2.0"));
        QCOMPARE(about->labWebsite->text(), QStringLiteral("https://quarnel.example.org/"));
        QCOMPARE(about->btnOK->text(), QStringLiteral("&OK"));

        QTest::mouseClick(m.SpeedButton2, Qt::LeftButton);
        QVERIFY(about->isVisible());
        QVERIFY(!m.isEnabled());
        QVERIFY(about->isEnabled());
        QTest::mouseClick(about->labWebsite, Qt::LeftButton);
        QCOMPARE(m_shell->Opened(), QStringList{QStringLiteral("https://quarnel.example.org/")});
        QTest::mouseClick(about->btnOK, Qt::LeftButton);
        QVERIFY(!about->isVisible());
        QVERIFY(m.isEnabled());

        // The close box enables the main window too.
        about->show();
        QVERIFY(!m.isEnabled());
        QVERIFY(about->close());
        QVERIFY(m.isEnabled());
    }

    // At any size from the smallest up, the regions fill the window, the list and the
    // picture take what is gained, and nothing of the bottom panels is cut or overlaps.
    void layoutFollowsTheSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("smallest") << QSize(760, 460);
        QTest::newRow("first") << QSize(868, 554);
        QTest::newRow("wide and tall") << QSize(1500, 950);
        QTest::newRow("wide, low") << QSize(1500, 470);
    }
    void layoutFollowsTheSize()
    {
        QFETCH(QSize, size);
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        m.resize(size);
        QCOMPARE(m.size(), size);
        // A 1280 x 720 screen, and a 1600 x 1000 one at 200 % with a title bar, take the window.
        QVERIFY(m.minimumWidth() <= 800 && m.minimumHeight() <= 470);

        QCOMPARE(m.panProfile->geometry().right(), size.width() - 1);
        QCOMPARE(m.panMain->geometry().bottom(), size.height() - 21);
        QCOMPARE(m.panMain->geometry().right() + 1 + 10, m.panProfile->x());
        QCOMPARE(m.ltvTask->height() + 62 + 109, m.panMain->height());
        QCOMPARE(m.panbg->geometry(), m.ltvTask->geometry());
        QCOMPARE(m.Panel2->pixmap().size(), m.Panel2->size());
        QCOMPARE(m.VideoWindow->width(), m.panProfile->width() - 20);
        QVERIFY(m.VideoWindow->height() >= 80);
        QVERIFY2(m.ScrollBox1->height() >= 100, qPrintable(QString::number(m.ScrollBox1->height())));
        QCOMPARE(m.Panel1->geometry().bottom(), m.panProfile->height() - 1);
        if (size.width() > TMainForm::ClientWidth) {
            QVERIFY(m.ltvTask->width() > 604);
            QVERIFY(m.VideoWindow->width() > 210);
        }
        for (QWidget *panel : {m.panBottomCenter, m.panBottomLeft, m.Panel1}) {
            QList<QWidget *> parts;
            for (QWidget *w : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (!w->isHidden() && w != m.Image10) {
                    QVERIFY2(panel->rect().contains(w->geometry()), w->metaObject()->className());
                    parts << w;
                }
            }
            // Labels by their text's width: a label may be wider than its text.
            auto used = [](QWidget *w) {
                auto *label = qobject_cast<QLabel *>(w);
                return label ? QRect(w->pos(), QSize(label->sizeHint().width(), w->height())) : w->geometry();
            };
            for (int i = 0; i < parts.size(); ++i)
                for (int j = i + 1; j < parts.size(); ++j)
                    QVERIFY2(!used(parts[i]).intersects(used(parts[j])),
                             qPrintable(Describe(parts[i]) + QStringLiteral(" / ") + Describe(parts[j])));
        }
    }

    // The size the window had when it closed comes back, as far as the screen takes it.
    void sizeKeptForTheNextStart_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("none: the first size") << QByteArray() << QSize(868, 554);
        QTest::newRow("kept") << QByteArray("Window Width=780\r\nWindow Height=470\r\n") << QSize(780, 470);
        QTest::newRow("below the smallest") << QByteArray("Window Width=100\r\nWindow Height=50\r\n")
                                            << QSize(760, 460);
        QTest::newRow("larger than any screen") << QByteArray("Window Width=9000\r\nWindow Height=9000\r\n")
                                                << QSize();
    }
    void sizeKeptForTheNextStart()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QSize, shown);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Preferences.ini"), "[Main]\r\n" + stored);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        const QRect screen = m.screen()->availableGeometry();
        QVERIFY2(screen.contains(m.frameGeometry()) || m.size() == m.minimumSize(),
                 qPrintable(QStringLiteral("%1x%2").arg(m.width()).arg(m.height())));
        const QSize frame = m.frameGeometry().size() - m.size();
        if (shown.isValid())
            QCOMPARE(m.size(), shown.boundedTo(screen.size() - frame).expandedTo(m.minimumSize()));
        m.resize(770, 465);
        QVERIFY(m.close());
        const QByteArray file = folder.readFile(QStringLiteral("Preferences.ini"));
        QVERIFY2(file.contains("Window Width=770\r\nWindow Height=465\r\n"), file.constData());
    }

    // Tab visits every control that can take input once, in reading order, and comes back
    // round: no control keeps it (the grids' rows are the arrow keys').
    void tabReachesEveryControlOnce()
    {
        TestProgramFolder folder;
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        m.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m));
        QVERIFY(m.vleVideo->rowCount() > 1);
        m.sbtnOpenDVD->setFocus();
        QList<QWidget *> visited{QApplication::focusWidget()};
        for (int i = 0; i < 60; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == visited.first())
                break;
            visited << QApplication::focusWidget();
        }
        const QList<QWidget *> expected{m.sbtnOpenDVD,  m.sbtnOpenDir,  m.sbtnOptions,  m.ltvTask,
                                        m.cmbAudio,     m.cmbSub,       m.cmbAngle,     m.cmbProfile,
                                        m.bbtnSetting,  m.edtOutputDir, m.bbtnBrowser,  m.bbtnOpen,
                                        m.vleVideo,     m.vleAudio,     m.vleAdvanced,  m.imgStart,
                                        m.VideoWindow,  m.TrackBar,     m.sbtnPlay,     m.sbtnPause,
                                        m.sbtnStop,     m.SpeedButton1, m.SpeedButton2, m.SpeedButton3};
        QStringList names;
        for (QWidget *w : std::as_const(visited))
            names << (w->objectName().isEmpty() ? QLatin1String(w->metaObject()->className()) : w->objectName());
        QVERIFY2(visited == expected, qPrintable(names.join(QStringLiteral(", "))));
        // Backwards too, from the first control to the last.
        QTest::keyClick(m.sbtnOpenDVD, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), m.SpeedButton3);
    }

    // The usual keys, named in the hints and the list's menu.
    void shortcuts()
    {
        TestProgramFolder folder;
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        m.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m));
        QCOMPARE(m.pmiOpenDVD->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QVERIFY(m.sbtnOpenDVD->toolTip().endsWith(QStringLiteral("(Ctrl+O)")));
        QCOMPARE(m.imgStart->toolTip(), QStringLiteral("Start (F5)"));
        QCOMPARE(m.imgStop->toolTip(), QStringLiteral("Stop (Shift+F5)"));

        QTest::keyClick(&m, Qt::Key_O, Qt::ControlModifier);
        QTRY_VERIFY(p.windows->OpenDVDForm()->isVisible());
        QTest::keyClick(p.windows->OpenDVDForm(), Qt::Key_Escape);
        QTRY_VERIFY(m.isEnabled());

        QTest::keyClick(&m, Qt::Key_F1);
        auto *help = m.findChild<THelpWindow *>();
        QVERIFY(help && help->isVisible());
        help->close();

        // Start with nothing checked says so, as the button does; Stop while idle does nothing.
        QTest::keyClick(&m, Qt::Key_F5);
        QCOMPARE(m_boxes->Calls().size(), 1);
        QTest::keyClick(&m, Qt::Key_F5, Qt::ShiftModifier);
        QCOMPARE(m_boxes->Calls().size(), 1);
        // Space on the focused Start button is a click.
        m.imgStart->setFocus();
        QTest::keyClick(m.imgStart, Qt::Key_Space);
        QCOMPARE(m_boxes->Calls().size(), 2);

        m.activateWindow();
        QTest::keyClick(&m, Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!m.isVisible());
    }

    // Escape closes every secondary window and the help, as Cancel or the close box would.
    void escapeClosesEveryWindow()
    {
        TestProgramFolder folder;
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        TQuarnelWindows &w = *p.windows;
        const QList<std::function<QWidget *()>> openers{
            [&] { return m.sbtnOpenDVD->click(), static_cast<QWidget *>(w.OpenDVDForm()); },
            [&] { return m.sbtnOptions->click(), static_cast<QWidget *>(w.SettingForm()); },
            [&] { return m.SpeedButton2->click(), static_cast<QWidget *>(w.AboutForm()); },
            [&] { return m.SpeedButton1->click(), static_cast<QWidget *>(m.findChild<THelpWindow *>()); },
            [&] { return m.pmiDVDVolume->trigger(), static_cast<QWidget *>(w.EditDVDVolumeForm()); },
        };
        for (const auto &open : openers) {
            QWidget *window = open();
            QVERIFY(window && window->isVisible());
            // To the control that has the focus in the window, which leaves Escape to it.
            QWidget *focus = window->focusWidget() ? window->focusWidget() : window;
            QTest::keyClick(focus, Qt::Key_Escape);
            QTRY_VERIFY2(!window->isVisible(), window->metaObject()->className());
            QTRY_VERIFY(m.isEnabled());
        }
    }

    // An output folder that does not exist yet is offered to be made; No leaves it so.
    void missingOutputFolderOffered_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::newRow("yes: made, then the next check") << QMessageBox::Yes;
        QTest::newRow("no: nothing") << QMessageBox::No;
    }
    void missingOutputFolderOffered()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        TestProgramFolder folder(false);
        Program p(folder);
        p.show();
        TMainForm &m = p.main();
        TTaskNodeData title;
        title.IsTitle = true;
        title.OutputName = QStringLiteral("Title01");
        m.TaskList->SetChecked(m.TaskList->AddTitleNode(title), true);
        const QString missing = folder.file(QStringLiteral("out/new"));
        m.edtOutputDir->setText(missing + QLatin1Char('/'));
        m_boxes->Answer(answer);
        m.imgStart->Click();
        QStringList expected{QStringLiteral("The output folder %1 does not exist. Do you want to create it?").arg(missing)};
        if (answer == QMessageBox::Yes)
            expected << QStringLiteral("Please select a valid output profile."); // no profile in this folder
        QCOMPARE(m_boxes->Texts(), expected);
        QCOMPARE(m_boxes->Calls().first().icon, MessageBox::Icon::Question);
        QCOMPARE(QFileInfo(missing).isDir(), answer == QMessageBox::Yes);
    }

    void escapingErrorIsReportedAndTheProgramGoesOn()
    {
        ThrowingObject thrower;
        QEvent event(QEvent::User);
        QApplication::sendEvent(&thrower, &event);
        QCOMPARE(m_boxes->Texts(), QStringList{QStringLiteral("Cannot parse file \"x.IFO\".")});
        QCOMPARE(m_boxes->Calls().first().icon, MessageBox::Icon::Error);
        // Still running: a second event is delivered and reported the same way.
        QApplication::sendEvent(&thrower, &event);
        QCOMPARE(m_boxes->Calls().size(), 2);
    }
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestMainForm.moc"
