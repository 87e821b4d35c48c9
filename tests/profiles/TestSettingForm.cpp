#include "FileSizeLimit.h"
#include "ProfileTestWindows.h"

#include "core/AppFolders.h"
#include "core/OutputExt.h"
#include "core/QuarnelApplication.h"
#include "profiles/TNewInifile.h"
#include "profiles/TPreferences.h"
#include "profiles/TValueListEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

namespace {

const QByteArray kOther = "[Main]\r\nType=avi\r\nPara=1\r\n0=Bit Rate\r\n"
                          "[Bit Rate]\r\nSort=1\r\nReadOnly=0\r\nList=0\r\nCaption=500\r\nValue=500\r\ncmd=-b\r\n";

// The General page as one line of text, for comparing whole states.
QString General(const TSettingForm &s)
{
    return QStringList{s.edtOutputDir->text(), s.edtWorkDir->text(), QString::number(s.cmbSyn->currentIndex()),
                       QString::number(s.chkOpenDir->isChecked()) + QString::number(s.chkExit->isChecked())
                           + QString::number(s.chkTurnoff->isChecked()),
                       QString::number(s.rdbAsk->isChecked()) + QString::number(s.rdbOverWrite->isChecked())
                           + QString::number(s.rdbRename->isChecked())}
        .join(QLatin1Char('|'));
}

QString Rows(const TValueListEditor *grid)
{
    QStringList rows;
    for (int r = 0; r < grid->RowCount(); ++r)
        rows << grid->Key(r) + QLatin1Char('=') + grid->ValueAt(r);
    return rows.join(QLatin1Char('|'));
}

// The dialog's page; profile; video rows.
QString Shown(const TSettingForm &s)
{
    const QString page =
        s.PageControl1->currentWidget() == s.tsGeneral ? QStringLiteral("General") : QStringLiteral("Profiles");
    return QStringList{page, s.cmbProfile->currentText(), Rows(s.vleVideo)}.join(QStringLiteral("; "));
}

// The main window's video rows; output extension; profile.
QString Shown(const TMainForm &m)
{
    return QStringList{Rows(m.vleVideo), OutputExt(), m.cmbProfile->currentText()}.join(QStringLiteral("; "));
}

// Two parameters that are fixed, one of them chosen from a list.
const QByteArray kFixed = "[Main]\r\nType=avi\r\nPara=2\r\n0=Codec\r\n1=Tag\r\n"
                          "[Codec]\r\nSort=1\r\nReadOnly=1\r\nList=1\r\nCaption=a,b,\r\nValue=1,2,\r\nIndex=0\r\n"
                          "[Tag]\r\nSort=3\r\nReadOnly=1\r\nList=0\r\nCaption=XVID\r\nValue=XVID\r\n";

// A profile of the scenarios by its file's name: Other, Fixed, or else the example.
QByteArray ProfileText(const QString &file)
{
    if (file.endsWith(QStringLiteral("Other.apf")))
        return kOther;
    if (file.endsWith(QStringLiteral("Fixed.apf")))
        return kFixed;
    return kExampleProfile;
}

} // namespace

class TestSettingForm : public WindowTestBase
{
    Q_OBJECT
private slots:
    void layoutAndTexts()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/b.apf"), kOther);
        folder.writeFile(QStringLiteral("Profiles/a.apf"), kOther);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        QCOMPARE(s.windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(s.minimumSize(), s.maximumSize()); // fixed border
        QCOMPARE(s.PageControl1->tabText(0), QStringLiteral("     General     "));
        QCOMPARE(s.PageControl1->tabText(1), QStringLiteral("     Profiles     "));
        QStringList labels;
        for (QLabel *label : s.tsGeneral->findChildren<QLabel *>())
            labels << label->text();
        for (const char *text : {"Default Output Path:", "Work (temp) Directory:", "Synchronization Mode:"})
            QVERIFY2(labels.contains(QString::fromUtf8(text)), text);
        QCOMPARE(s.cmbSyn->count(), 3);
        QCOMPARE(s.cmbSyn->itemText(1), QStringLiteral("Force Mode"));
        QCOMPARE(s.cmbSyn->itemText(2), QStringLiteral("Progressive Mode"));
        QVERIFY(!s.cmbSyn->isEditable() && !s.cmbProfile->isEditable());
        const QList<QPair<QAbstractButton *, const char *>> captions{
            {s.chkOpenDir, "Open the output directory when the task is completed. "},
            {s.chkExit, "Exit the program when the task is completed."},
            {s.chkTurnoff, "Turn off the computer when the task is completed."},
            {s.rdbAsk, "Ask Me"},
            {s.rdbOverWrite, "Overwrite"},
            {s.rdbRename, "Not overwrite (Rename to <Filename> + Index"},
            {s.btnSaveAs, "&Save as..."},
            {s.btnDefault, "&Load Default"},
            {s.btnOK, "&OK"},
            {s.btnCancel, "&Cancel"},
            {s.btnVideo, "-"},
            {s.btnAudio, "-"},
            {s.btnAdvanced, "-"}};
        for (const auto &[button, caption] : captions)
            QCOMPARE(button->text(), QString::fromUtf8(caption));
        QCOMPARE(s.grpOverwrite->title(), QStringLiteral("Output File Overwrite"));
        QCOMPARE(s.vleVideo->columnWidth(0), 160);
        // The profile list is the main window's, in its order.
        QCOMPARE(s.cmbProfile->count(), 2);
        QCOMPARE(s.cmbProfile->itemText(0), QStringLiteral("a"));
        QCOMPARE(s.cmbProfile->itemText(1), QStringLiteral("b"));
        QCOMPARE(s.cmbProfile->currentIndex(), -1);
    }

    void firstStartWithoutPreferences()
    {
        TestProgramFolder folder(false);
        ProfileTestWindows w(folder);
        const QString app = folder.path();
        QCOMPARE(General(*w.settings), app + QLatin1Char('|') + app + QStringLiteral("|0|100|100"));
        QCOMPARE(w.settings->cmbSyn->currentText(), QStringLiteral("Auto"));
        QCOMPARE(AppFolders::WorkDir(), app);
        QVERIFY(QFile::exists(folder.file(QStringLiteral("Preferences.ini"))));
        QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")), QByteArray());
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    void preferencesFromFile_data()
    {
        QTest::addColumn<QByteArray>("main");
        QTest::addColumn<QString>("general"); // output | work | syn | open exit turnoff | ask overwrite rename
        QTest::addColumn<QString>("workDir");

        QTest::newRow("Ask 0, Overwrite 0: rename")
            << QByteArray("Ask=0\r\nOverwrite=0\r\n") << QStringLiteral("@|@|0|100|001") << QStringLiteral("@");
        QTest::newRow("Ask 1, Overwrite 1: overwrite only")
            << QByteArray("Ask=1\r\nOverwrite=1\r\n") << QStringLiteral("@|@|0|100|010") << QStringLiteral("@");
        QTest::newRow("folders, mode and check boxes") << QByteArray(
            "Output Path=/videos/\r\nWork Dir=/tmp/work\r\nSyn Mode=2\r\nAuto Open Dir=0\r\nAuto Exit=true\r\n"
            "Auto Turn Off=1\r\n") << QStringLiteral("/videos/|/tmp/work|2|011|100")
                                                       << QStringLiteral("/tmp/work/");
        QTest::newRow("Syn Mode outside the list: no selection")
            << QByteArray("Syn Mode=5\r\n") << QStringLiteral("@|@|-1|100|100") << QStringLiteral("@");
        QTest::newRow("values that do not convert: the defaults")
            << QByteArray("Syn Mode=fast\r\nAuto Open Dir=maybe\r\nAsk=2x\r\n") << QStringLiteral("@|@|0|100|100")
            << QStringLiteral("@");
        QTest::newRow("a key's name inside another value is no key")
            << QByteArray("Note=see Work Dir=/elsewhere\r\n") << QStringLiteral("@|@|0|100|100") << QStringLiteral("@");
        QTest::newRow("relative folders: beside the preferences file")
            << QByteArray("Output Path=videos/\r\nWork Dir=a/../work\r\n") << QStringLiteral("@videos/|@work|0|100|100")
            << QStringLiteral("@work/");
        QTest::newRow("empty work folder stays empty")
            << QByteArray("Work Dir=\r\n") << QStringLiteral("@||0|100|100") << QString();
    }
    void preferencesFromFile()
    {
        QFETCH(QByteArray, main);
        QFETCH(QString, general);
        QFETCH(QString, workDir);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Preferences.ini"), "[Main]\r\n" + main);
        ProfileTestWindows w(folder);
        QCOMPARE(General(*w.settings), QString(general).replace(QLatin1Char('@'), folder.path()));
        QCOMPARE(AppFolders::WorkDir(), QString(workDir).replace(QLatin1Char('@'), folder.path()));
    }

    // Kept by hand in the file; the window's runs take it from here. No wait at all would end
    // every conversion at once: 0 or less is the usual 60 s.
    void stallSecondsFromFile_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("seconds");
        QTest::newRow("seven") << QByteArray("7") << 7;
        QTest::newRow("zero") << QByteArray("0") << 60;
        QTest::newRow("negative") << QByteArray("-5") << 60;
        QTest::newRow("over a day") << QByteArray("100000") << 86400;
    }
    void stallSecondsFromFile()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, seconds);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Preferences.ini"), "[Main]\r\nStall Seconds=" + stored + "\r\n");
        ProfileTestWindows w(folder);
        QCOMPARE(w.settings->StallSeconds(), seconds);
    }

    void okSavesPreferencesInOrder()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Preferences.ini"), "");
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        w.main.sbtnOptions->click();
        QVERIFY(s.isVisible());
        QCOMPARE(s.PageControl1->currentWidget(), s.tsGeneral);
        s.edtOutputDir->setText(QStringLiteral("/out"));
        s.edtWorkDir->setText(QStringLiteral("/work"));
        s.chkTurnoff->setChecked(true);
        s.btnOK->click();
        QVERIFY(!s.isVisible());
        QVERIFY(w.main.isEnabled());
        QCOMPARE(w.main.edtOutputDir->text(), QStringLiteral("/out"));
        QCOMPARE(AppFolders::WorkDir(), QStringLiteral("/work")); // as typed
        const QByteArray saved =
            "[Main]\r\nSubtitle Track=0\r\nChapter Marks=1\r\nIntermediate Quality=2\r\nOverwrite=0\r\nAsk=1\r\nAuto "
            "Turn Off=1\r\nAuto Exit=0\r\n"
            "Auto Open Dir=1\r\nSyn Mode=0\r\nWork Dir=/work\r\nOutput Path=/out\r\n";
        QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")), saved);

        // The main window's closing adds "Profile" and its size behind them and replaces
        // "Output Path" in place.
        w.main.edtOutputDir->setText(QStringLiteral("/elsewhere"));
        w.main.resize(800, 480);
        w.main.SaveMainPreferences();
        QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")),
                 QByteArray(saved).replace("Output Path=/out", "Output Path=/elsewhere")
                     + "Profile=-1\r\nWindow Width=800\r\nWindow Height=480\r\n");

        // The intermediate: streamed unless a file is chosen, at high quality or the profile's bitrate.
        QCOMPARE(s.cmbIntermediate->currentText(), QStringLiteral("Streamed"));
        for (const int item : {0, 1, 2}) {
            w.main.sbtnOptions->click();
            s.cmbIntermediate->setCurrentIndex(item);
            s.btnOK->click();
            QVERIFY(folder.readFile(QStringLiteral("Preferences.ini"))
                        .contains(QByteArray("Intermediate Quality=").append(QByteArray::number(item)).append("\r\n")));
            QCOMPARE(TPreferences::Read(TNewInifile(AppFolders::PreferencesFile()), QStringLiteral("Main"), {}, {})
                         .IntermediateIndex(),
                     item);
        }
        // Chapter marks: on unless turned off.
        QVERIFY(s.chkChapterMarks->isChecked());
        w.main.sbtnOptions->click();
        s.chkChapterMarks->setChecked(false);
        s.btnOK->click();
        QVERIFY(folder.readFile(QStringLiteral("Preferences.ini")).contains("Chapter Marks=0\r\n"));
        QVERIFY(!TPreferences::Read(TNewInifile(AppFolders::PreferencesFile()), QStringLiteral("Main"), {}, {})
                     .ChapterMarks);
        // Subtitles: burnt in unless kept as a track.
        QCOMPARE(s.cmbSubtitles->currentText(), QStringLiteral("Burn in"));
        w.main.sbtnOptions->click();
        s.cmbSubtitles->setCurrentText(QStringLiteral("As a track"));
        s.btnOK->click();
        QVERIFY(folder.readFile(QStringLiteral("Preferences.ini")).contains("Subtitle Track=1\r\n"));
        QVERIFY(TPreferences::Read(TNewInifile(AppFolders::PreferencesFile()), QStringLiteral("Main"), {}, {})
                    .SubtitleTrack);
        w.main.sbtnOptions->click();
        QCOMPARE(s.cmbSubtitles->currentText(), QStringLiteral("As a track"));
        s.btnCancel->click();
    }

    void cancelRestoresTheSnapshot()
    {
        TestProgramFolder folder(false);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        const QByteArray file = folder.readFile(QStringLiteral("Preferences.ini"));
        w.main.edtOutputDir->setText(QStringLiteral("/from/main"));
        w.main.sbtnOptions->click();
        QVERIFY(!w.main.isEnabled());
        QCOMPARE(s.edtOutputDir->text(), QStringLiteral("/from/main"));
        const QString shown = General(s);
        const QString workDir = AppFolders::WorkDir();

        s.edtOutputDir->setText(QStringLiteral("/x"));
        s.edtWorkDir->setText(QStringLiteral("/y"));
        s.cmbSyn->setCurrentIndex(2);
        s.chkOpenDir->setChecked(false);
        s.chkExit->setChecked(true);
        s.rdbRename->setChecked(true);
        s.btnCancel->click();
        QVERIFY(!s.isVisible());
        QVERIFY(w.main.isEnabled());
        QCOMPARE(General(s), shown);
        QCOMPARE(AppFolders::WorkDir(), workDir);
        QCOMPARE(w.main.edtOutputDir->text(), QStringLiteral("/from/main"));
        QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")), file);
    }

    void closeBoxKeepsUnsavedChanges()
    {
        TestProgramFolder folder(false);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        w.main.sbtnOptions->click();
        s.chkExit->setChecked(true);
        QVERIFY(s.close());
        QVERIFY(w.main.isEnabled());
        QVERIFY(s.chkExit->isChecked());
        QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")), QByteArray());
        // The next showing takes a new snapshot: Cancel returns to the unsaved state.
        w.main.sbtnOptions->click();
        s.chkExit->setChecked(false);
        s.btnCancel->click();
        QVERIFY(s.chkExit->isChecked());
    }

    void loadDefault_data()
    {
        QTest::addColumn<QByteArray>("preferences");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("general");
        QTest::addColumn<QString>("workDir");
        const QByteArray main =
            "[Main]\r\nOutput Path=/o\r\nWork Dir=/w\r\nSyn Mode=1\r\nAuto Exit=1\r\nOverwrite=1\r\n";
        QTest::newRow("from the Default section")
            << main + "[Default]\r\nWork Dir=/dw\r\nSyn Mode=2\r\nAsk=0\r\n"
            << true << QStringLiteral("@|/dw|2|100|001") << QStringLiteral("/dw/");
        QTest::newRow("no Default section: the defaults")
            << main << true << QStringLiteral("@|@|0|100|100") << QStringLiteral("@");
        QTest::newRow("answered No: nothing")
            << main << false << QStringLiteral("/o|/w|1|110|010") << QStringLiteral("/w/");
    }
    void loadDefault()
    {
        QFETCH(QByteArray, preferences);
        QFETCH(bool, yes);
        QFETCH(QString, general);
        QFETCH(QString, workDir);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Preferences.ini"), preferences);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        w.main.edtOutputDir->setText(QStringLiteral("/o"));
        w.main.sbtnOptions->click();
        const QString before = General(s);
        const QByteArray file = folder.readFile(QStringLiteral("Preferences.ini"));
        m_boxes->Answer(yes ? QMessageBox::Yes : QMessageBox::No);
        s.btnDefault->click();
        QCOMPARE(m_boxes->Calls().size(), 1);
        const MessageBox::Call &call = m_boxes->Calls().first();
        QCOMPARE(call.text, QStringLiteral("Are you sure to load the default preferences?"));
        QCOMPARE(call.caption, QStringLiteral("Load Default"));
        QCOMPARE(call.icon, MessageBox::Icon::Question);
        QCOMPARE(call.buttons, QMessageBox::Yes | QMessageBox::No);
        const QString app = folder.path();
        QCOMPARE(General(s), QString(general).replace(QLatin1Char('@'), app));
        QCOMPARE(AppFolders::WorkDir(), QString(workDir).replace(QLatin1Char('@'), app));
        QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")), file); // only OK writes

        // Cancel brings the controls back, but the work folder stays as loaded.
        s.btnCancel->click();
        QCOMPARE(General(s), before);
        QCOMPARE(AppFolders::WorkDir(), QString(workDir).replace(QLatin1Char('@'), app));
    }

    void shippedDefaults()
    {
        TestProgramFolder folder; // the shipped Preferences.ini
        QVERIFY(folder.readFile(QStringLiteral("Preferences.ini")).contains("[Default]\r\n"));
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        s.edtOutputDir->setText(QStringLiteral("/o"));
        s.edtWorkDir->setText(QStringLiteral("/w"));
        s.chkExit->setChecked(true);
        s.btnDefault->click();
        // Its "Default" section names no folders: both are the program folder.
        QCOMPARE(General(s), folder.path() + QLatin1Char('|') + folder.path() + QStringLiteral("|0|100|100"));
    }

    void folderButtons()
    {
        TestProgramFolder folder(false);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        m_chooser->ChooseFolder(QStringLiteral("/media/out"));
        QTest::mouseClick(s.sbtnBrowse, Qt::LeftButton);
        QCOMPARE(s.edtOutputDir->text(), QStringLiteral("/media/out/"));
        m_chooser->ChooseFolder(QStringLiteral("/var/tmp"));
        QTest::mouseClick(s.SpeedButton1, Qt::LeftButton);
        QCOMPARE(s.edtWorkDir->text(), QStringLiteral("/var/tmp/"));
        QTest::mouseClick(s.SpeedButton1, Qt::LeftButton); // cancelled
        QCOMPARE(s.edtWorkDir->text(), QStringLiteral("/var/tmp/"));
        QCOMPARE(m_chooser->FolderTitles(), QStringList(3, QStringLiteral("Select the output directory.")));
    }

    void okSavesTheProfileAndReloadsTheMainGrids()
    {
        TestProgramFolder folder(false);
        const QString file = QStringLiteral("Profiles/Example.apf");
        folder.writeFile(file, kExampleProfile);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        w.main.vleVideo->SetValue(QStringLiteral("Bit Rate"), QStringLiteral("1200")); // an edit of the main window's
        w.main.bbtnSetting->click();
        // The same load rewrote the file unchanged.
        QCOMPARE(folder.readFile(file), kExampleProfile);

        QVERIFY(s.vleVideo->SetValue(QStringLiteral("Video Size"), QStringLiteral("640x480")));
        QVERIFY(s.vleVideo->SetValue(QStringLiteral("Bit Rate"), QStringLiteral("950")));
        // A fixed parameter edited by hand meanwhile: never written, so the hand edit stays.
        QByteArray handEdited = kExampleProfile;
        handEdited.replace("Caption=4:3", "Caption=Four by three");
        folder.writeFile(file, handEdited);
        s.btnOK->click();
        QVERIFY(!s.isVisible());
        QCOMPARE(folder.readFile(file), QByteArray(handEdited)
                                            .replace("Index=1\r\ncmd=-s", "Index=2\r\ncmd=-s")
                                            .replace("Caption=800\r\nValue=800", "Caption=950\r\nValue=950"));
        QCOMPARE(Rows(w.main.vleVideo), QStringLiteral("Video Size=640x480|Bit Rate=950"));
        QCOMPARE(Rows(w.main.vleAdvanced), QStringLiteral("Aspect=Four by three"));
    }

    // The dialog's Profiles page, scenario by scenario. Each step is "what: argument":
    //   main, choose       pick a profile in the main window's list, in the dialog's
    //   main set, set      type row=value into the main window's video grid, the dialog's grids
    //   open               the main window's Settings (profile) or Options (toolbar) button
    //   page               the dialog's tab; OK, Cancel, close, save as <file>: its buttons
    //   expect dialog      the dialog's page; profile; video rows
    //   expect main        the main window's video rows; output extension; profile
    //   expect file        <file> unchanged | <file> holds <text>
    //   expect listed      the files of the profiles folder
    void profileScenarios_data()
    {
        QTest::addColumn<QStringList>("profiles"); // Other.apf and Fixed.apf as named, the rest the example
        QTest::addColumn<QStringList>("steps");

        QTest::newRow("the profile button opens the main profile on its page; the toolbar's leaves that page")
            << Strings({"Example.apf", "Other.apf"})
            << Strings({"main: Other", "open: Settings", "expect dialog: Profiles; Other; Bit Rate=500",
                        "set: Bit Rate=650", "close", "open: Options", "expect dialog: General; Other; Bit Rate=650",
                        "close"});
        QTest::newRow("the toolbar's Settings show the main profile, not an empty choice")
            << Strings({"Example.apf", "Other.apf"})
            << Strings({"main: Other", "open: Options", "expect dialog: General; Other; Bit Rate=500", "close"});
        QTest::newRow("OK saves the dialog's profile and leaves another main profile alone")
            << Strings({"Example.apf", "Other.apf"})
            << Strings({"main: Other", "main set: Bit Rate=700", "open: Options", "page: Profiles", "choose: Example",
                        "set: Bit Rate=950", "OK", "expect main: Bit Rate=700; .avi; Other",
                        "expect file: Profiles/Example.apf holds Caption=950\r\nValue=950\r\n"});
        // Custom Size is an ordinary item in the dialog's list.
        QTest::newRow("Cancel keeps the file and a later OK saves")
            << Strings({"Example.apf"})
            << Strings({"main: Example", "open: Settings", "set: Video Size=Custom Size", "Cancel",
                        "expect file: Profiles/Example.apf unchanged", "open: Options", "OK",
                        "expect file: Profiles/Example.apf holds Index=3\r\ncmd=-s"});
        QTest::newRow("read-only parameters are never written")
            << Strings({"Fixed.apf"})
            << Strings({"open: Options", "choose: Fixed", "set: Codec=b", "set: Tag=DIVX", "OK",
                        "expect file: Profiles/Fixed.apf unchanged"});
        QTest::newRow("an emptied free parameter is saved and shown empty")
            << Strings({"Example.apf"})
            << Strings({"main: Example", "open: Settings", "set: Bit Rate=", "OK",
                        "expect file: Profiles/Example.apf holds "
                        "[Bit Rate]\r\nSort=1\r\nReadOnly=0\r\nList=0\r\nCaption=\r\nValue=\r\n",
                        "open: Settings", "expect dialog: Profiles; Example; Video Size=320x240|Bit Rate=",
                        "expect main: Video Size=320x240|Bit Rate=; .mp4; Example"});
        // As after OK, so the next Start does not mix the old grids with the new file.
        QTest::newRow("save as over the main profile reloads its grids and extension")
            << Strings({"Example.apf", "Other.apf"})
            << Strings({"main: Other", "expect main: Bit Rate=500; .avi; Other", "open: Options", "choose: Example",
                        "save as: Profiles/Other.apf", "expect main: Video Size=320x240|Bit Rate=800; .mp4; Other"});
        QTest::newRow("a capital extension: listed without it, loaded and written back like any other")
            << Strings({"Loud.APF"})
            << Strings({"main: Loud", "expect main: Video Size=320x240|Bit Rate=800; .mp4; Loud", "open: Settings",
                        "expect dialog: Profiles; Loud; Video Size=320x240|Bit Rate=800", "set: Bit Rate=950", "OK",
                        "expect file: Profiles/Loud.APF holds Caption=950\r\nValue=950\r\n", "expect listed: Loud.APF",
                        "expect main: Video Size=320x240|Bit Rate=950; .mp4; Loud"});
    }
    void profileScenarios()
    {
        QFETCH(QStringList, profiles);
        QFETCH(QStringList, steps);
        for (const QString &name : profiles)
            m_folder->writeFile(QStringLiteral("Profiles/") + name, ProfileText(name));
        ProfileTestWindows w(*m_folder);
        TSettingForm &s = *w.settings;
        for (const QString &step : steps) {
            const qsizetype colon = step.indexOf(QStringLiteral(": "));
            const QString what = colon < 0 ? step : step.left(colon);
            const QString argument = colon < 0 ? QString() : step.mid(colon + 2);
            const QString row = argument.section(QLatin1Char('='), 0, 0);
            const QString value = argument.section(QLatin1Char('='), 1);
            const QString file = argument.section(QLatin1Char(' '), 0, 0);
            const QString text = argument.section(QLatin1Char(' '), 1);
            const QByteArray where = step.toUtf8();
            if (what == u"main") {
                ProfileTestWindows::Choose(w.main.cmbProfile, argument);
            } else if (what == u"choose") {
                ProfileTestWindows::Choose(s.cmbProfile, argument);
            } else if (what == u"main set") {
                QVERIFY2(w.main.vleVideo->SetValue(row, value), where.constData());
            } else if (what == u"set") {
                QVERIFY2(s.vleVideo->SetValue(row, value) || s.vleAudio->SetValue(row, value)
                             || s.vleAdvanced->SetValue(row, value),
                         where.constData());
            } else if (what == u"open") {
                (argument == u"Settings" ? static_cast<QAbstractButton *>(w.main.bbtnSetting) : w.main.sbtnOptions)
                    ->click();
                QVERIFY2(s.isVisible(), where.constData());
            } else if (what == u"page") {
                s.PageControl1->setCurrentWidget(argument == u"General" ? s.tsGeneral : s.tsProfiles);
            } else if (what == u"OK") {
                s.btnOK->click();
                QVERIFY2(!s.isVisible(), where.constData());
            } else if (what == u"Cancel") {
                s.btnCancel->click();
            } else if (what == u"close") {
                s.close();
            } else if (what == u"save as") {
                m_chooser->ChooseSaveFile(m_folder->file(argument));
                s.btnSaveAs->click();
            } else if (what == u"expect dialog") {
                QCOMPARE(Shown(s), argument);
            } else if (what == u"expect main") {
                QCOMPARE(Shown(w.main), argument);
            } else if (what == u"expect file" && text == u"unchanged") {
                QCOMPARE(m_folder->readFile(file), ProfileText(file));
            } else if (what == u"expect file" && text.startsWith(u"holds ")) {
                QVERIFY2(m_folder->readFile(file).contains(text.mid(6).toUtf8()), where.constData());
            } else if (what == u"expect listed") {
                QCOMPARE(QDir(m_folder->file(QStringLiteral("Profiles"))).entryList(QDir::Files),
                         argument.split(QStringLiteral(", ")));
            } else {
                QFAIL(where.constData());
            }
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY(m_boxes->Calls().isEmpty());
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("target"); // relative to the program folder; empty: cancelled
        QTest::addColumn<bool>("chosen"); // a profile chosen in the dialog
        QTest::addColumn<bool>("written");
        QTest::addColumn<QStringList>("listed"); // both profile lists afterwards
        const QStringList two = Strings({"Example", "Other"});
        QTest::newRow("onto an existing profile: replaced")
            << QStringLiteral("Profiles/Other.apf") << true << true << two;
        QTest::newRow("new file in the profiles folder: listed at once")
            << QStringLiteral("Profiles/New.apf") << true << true << Strings({"Example", "New", "Other"});
        QTest::newRow("new file elsewhere") << QStringLiteral("copy.apf") << true << true << two;
        QTest::newRow("onto the profile itself") << QStringLiteral("Profiles/Example.apf") << true << true << two;
        QTest::newRow("cancelled") << QString() << true << false << two;
        QTest::newRow("no profile chosen") << QStringLiteral("copy.apf") << false << false << two;
    }
    void saveAs()
    {
        QFETCH(QString, target);
        QFETCH(bool, chosen);
        QFETCH(bool, written);
        QFETCH(QStringList, listed);
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Example.apf"), kExampleProfile);
        folder.writeFile(QStringLiteral("Profiles/Other.apf"), kOther);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        w.main.cmbProfile->setCurrentIndex(1); // "Other"
        w.main.sbtnOptions->click();
        if (chosen)
            ProfileTestWindows::Choose(s.cmbProfile, QStringLiteral("Example"));
        else
            s.cmbProfile->setCurrentIndex(-1);
        s.vleVideo->SetValue(QStringLiteral("Video Size"), QStringLiteral("Original Size"));
        if (!target.isEmpty())
            m_chooser->ChooseSaveFile(folder.file(target));
        const QByteArray targetBefore = folder.readFile(target.isEmpty() ? QStringLiteral("copy.apf") : target);
        s.btnSaveAs->click();
        // The dialog begins where a saved profile is listed.
        QCOMPARE(m_chooser->SaveFolders(), QStringList{folder.file(QStringLiteral("Profiles/"))});

        const QByteArray expected = QByteArray(kExampleProfile).replace("Index=1\r\ncmd=-s", "Index=0\r\ncmd=-s");
        QCOMPARE(folder.readFile(target.isEmpty() ? QStringLiteral("copy.apf") : target),
                 written ? expected : targetBefore);
        if (target != QStringLiteral("Profiles/Example.apf"))
            QCOMPARE(folder.readFile(QStringLiteral("Profiles/Example.apf")), kExampleProfile);
        for (QComboBox *combo : {w.main.cmbProfile, s.cmbProfile}) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items, listed);
        }
        // Each choice stays on its profile, wherever the new one lands.
        QCOMPARE(w.main.cmbProfile->currentText(), QStringLiteral("Other"));
        QCOMPARE(s.cmbProfile->currentText(), chosen ? QStringLiteral("Example") : QString());
    }

    // Before any profile is loaded both windows' grids hold the same initial rows; the
    // Settings dialog opened on its first page shows them on its Profiles page.
    void initialRowsBeforeAnyProfile()
    {
        TestProgramFolder folder(false);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        w.main.sbtnOptions->click();
        s.PageControl1->setCurrentWidget(s.tsProfiles);
        const QStringList expected{
            QStringLiteral("Video Codec=|Video Size=|Bit Rate=|Frame Rate=|Aspect=|Disable Video="),
            QStringLiteral("Audio Codec=|Audio Bitrate=|Sample Rate=|Channels=|Volumn=|Disable Audio="),
            QStringLiteral("Bit Exact Algorithms=|Deinterlace=")};
        const QList<QList<TValueListEditor *>> grids{{w.main.vleVideo, w.main.vleAudio, w.main.vleAdvanced},
                                                     {s.vleVideo, s.vleAudio, s.vleAdvanced}};
        for (const QList<TValueListEditor *> &set : grids) {
            for (int g = 0; g < 3; ++g) {
                QCOMPARE(Rows(set[g]), expected[g]);
                QCOMPARE(set[g]->height(), 18 * set[g]->RowCount());
            }
        }
        QVERIFY(s.vleVideo->isVisible());
    }

    void collapseAndExpand()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Example.apf"), kExampleProfile);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        ProfileTestWindows::Choose(s.cmbProfile, QStringLiteral("Example"));
        QCOMPARE(s.vleVideo->height(), 2 * 18);
        s.btnVideo->click();
        QCOMPARE(s.vleVideo->height(), 1);
        QCOMPARE(s.btnVideo->text(), QStringLiteral("+"));
        s.btnVideo->click();
        QCOMPARE(s.vleVideo->height(), 2 * 18 + 1);
        QCOMPARE(s.btnVideo->text(), QStringLiteral("-"));
        s.btnAudio->click();
        QCOMPARE(s.vleAudio->height(), 1);
        QCOMPARE(s.vleVideo->height(), 2 * 18 + 1);
        // A load opens every grid again, and the button says so.
        s.cmbProfileChange();
        QCOMPARE(s.vleAudio->height(), 18);
        QCOMPARE(s.btnAudio->text(), QStringLiteral("-"));
        s.btnAudio->click();
        QCOMPARE(s.vleAudio->height(), 1);
        // The main window's buttons do nothing.
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        w.main.btnVideo->click();
        QCOMPARE(w.main.vleVideo->height(), 2 * 18);
    }

    // A file that cannot be written costs only its own changes: the message names it, the
    // other file is saved, and the dialog stays open with what the user set.
    void unwritableFiles_data()
    {
        QTest::addColumn<bool>("preferencesFail");
        QTest::newRow("Preferences.ini") << true;
        QTest::newRow("the profile") << false;
    }
    void unwritableFiles()
    {
        QFETCH(bool, preferencesFail);
        TestProgramFolder folder(false);
        const QByteArray padding = "[Padding]\r\n" + QByteArray(3000, 'x') + "\r\n";
        folder.writeFile(QStringLiteral("Preferences.ini"), preferencesFail ? padding : QByteArray());
        folder.writeFile(QStringLiteral("Profiles/Example.apf"),
                         preferencesFail ? kExampleProfile : kExampleProfile + padding);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        ProfileTestWindows::Choose(w.main.cmbProfile, QStringLiteral("Example"));
        const QByteArray preferencesBefore = folder.readFile(QStringLiteral("Preferences.ini"));
        const QByteArray profileBefore = folder.readFile(QStringLiteral("Profiles/Example.apf"));
        {
            FileSizeLimit limit(2000);
            w.main.bbtnSetting->click(); // the load's rewrite fails for the big file: nothing to tell
            QVERIFY(m_boxes->Calls().isEmpty());
            s.chkExit->setChecked(true);
            s.vleVideo->SetValue(QStringLiteral("Bit Rate"), QStringLiteral("950"));
            s.btnOK->click();
        }
        const QString failed =
            folder.file(preferencesFail ? QStringLiteral("Preferences.ini") : QStringLiteral("Profiles/Example.apf"));
        QCOMPARE(m_boxes->Texts(), QStringList{QStringLiteral("Unable to write to ") + failed});
        QVERIFY(s.isVisible());
        QVERIFY(s.chkExit->isChecked());
        QCOMPARE(s.vleVideo->Value(QStringLiteral("Bit Rate")), QStringLiteral("950"));
        if (preferencesFail) {
            QCOMPARE(folder.readFile(QStringLiteral("Preferences.ini")), preferencesBefore);
            QVERIFY(folder.readFile(QStringLiteral("Profiles/Example.apf")).contains("Caption=950"));
            QCOMPARE(Rows(w.main.vleVideo),
                     QStringLiteral("Video Size=320x240|Bit Rate=950")); // reloaded from the saved file
        } else {
            QVERIFY(folder.readFile(QStringLiteral("Preferences.ini")).contains("Auto Exit=1"));
            QCOMPARE(folder.readFile(QStringLiteral("Profiles/Example.apf")), profileBefore);
            QCOMPARE(Rows(w.main.vleVideo), QStringLiteral("Video Size=320x240|Bit Rate=800"));
        }
        // With the file writable again, OK saves everything and closes.
        m_boxes->Clear();
        s.btnOK->click();
        QVERIFY(m_boxes->Calls().isEmpty());
        QVERIFY(!s.isVisible());
        QVERIFY(folder.readFile(QStringLiteral("Preferences.ini")).contains("Auto Exit=1"));
        QVERIFY(folder.readFile(QStringLiteral("Profiles/Example.apf")).contains("Caption=950"));
    }

    void saveAsOntoAnUnwritableFile()
    {
        TestProgramFolder folder(false);
        folder.writeFile(QStringLiteral("Profiles/Example.apf"),
                         kExampleProfile + "[Padding]\r\n" + QByteArray(3000, 'x') + "\r\n");
        folder.writeFile(QStringLiteral("Profiles/Other.apf"), kOther);
        ProfileTestWindows w(folder);
        TSettingForm &s = *w.settings;
        ProfileTestWindows::Choose(s.cmbProfile, QStringLiteral("Example"));
        m_chooser->ChooseSaveFile(folder.file(QStringLiteral("Profiles/Other.apf")));
        {
            FileSizeLimit limit(2000);
            s.btnSaveAs->click();
        }
        QCOMPARE(m_boxes->Texts(), QStringList{QStringLiteral("Unable to write to ")
                                               + folder.file(QStringLiteral("Profiles/Other.apf"))});
        QCOMPARE(folder.readFile(QStringLiteral("Profiles/Other.apf")), kOther);
    }

    void startWithUnwritablePreferences()
    {
        TestProgramFolder folder(false);
        FileSizeLimit limit(0);
        ProfileTestWindows w(folder);
        QCOMPARE(General(*w.settings), folder.path() + QLatin1Char('|') + folder.path() + QStringLiteral("|0|100|100"));
        QVERIFY(m_boxes->Calls().isEmpty()); // nothing was changed, so nothing is lost
    }
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestSettingForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSettingForm.moc"
