#include "TSettingForm.h"

#include "MainPreferences.h"
#include "TGridColumn.h"

#include "TMainProfileGrids.h"
#include "TNewInifile.h"
#include "TPreferences.h"
#include "TProfile.h"
#include "TValueListEditor.h"
#include "core/AppFolders.h"
#include "core/EQuarnelError.h"
#include "core/FileChooser.h"
#include "core/MessageBox.h"
#include "core/PathText.h"
#include "core/ProgramInfo.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 440;
constexpr int kHeight = 462;
constexpr int kPageWidth = 424;
constexpr int kPageHeight = 408;

// Releases a store without writing it: for loads, whose rewrite would only normalise the
// file, a file that cannot be written loses nothing.
void ReleaseAfterReading(TNewInifile *&store)
{
    try {
        TNewInifile::SaveAndFree(store);
    } catch (const EQuarnelError &) {
        delete store;
        store = nullptr;
    }
}

// Copies a whole file, replacing the target in one step.
void CopyProfile(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw EQuarnelError(QStringLiteral("Unable to read ") + source);
    const QByteArray bytes = in.readAll();
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || out.write(bytes) != bytes.size() || !out.commit())
        throw EQuarnelError(QStringLiteral("Unable to write to ") + target);
}

bool SameFile(const QString &a, const QString &b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

QLabel *Caption(QWidget *parent, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QToolButton *FolderButton(QWidget *parent, int x, int y)
{
    auto *button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setAutoRaise(true);
    button->setGeometry(x, y, 24, 23);
    return button;
}

} // namespace

TSettingForm::TSettingForm(const MainControls &main) : QWidget(nullptr), m_main(main)
{
    // No parent: a child window would be disabled together with the main window.
    setObjectName(QStringLiteral("SettingForm"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(kWidth, kHeight);
    QFont font = QApplication::font();
    font.setPointSize(8);
    setFont(font);

    // The controls keep their places on a body of the dialog's size; on a screen too small
    // for it (a large scale) the window shrinks and the body scrolls.
    auto *body = new QWidget;
    body->setFixedSize(kWidth, kHeight);
    auto *scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidget(body);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroller);

    PageControl1 = new QTabWidget(body);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 8, kPageWidth, kPageHeight);
    BuildGeneralPage();
    BuildProfilesPage();

    const int y = kHeight - 36;
    btnDefault = new QPushButton(QStringLiteral("&Load Default"), body);
    btnDefault->setObjectName(QStringLiteral("btnDefault"));
    btnDefault->setGeometry(8, y, 100, 25);
    btnOK = new QPushButton(QStringLiteral("&OK"), body);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(kWidth - 176, y, 80, 25);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), body);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(kWidth - 88, y, 80, 25);
    connect(btnDefault, &QPushButton::clicked, this, &TSettingForm::btnDefaultClick);
    connect(btnOK, &QPushButton::clicked, this, &TSettingForm::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TSettingForm::btnCancelClick);

    FormCreate();
}

void TSettingForm::BuildGeneralPage()
{
    tsGeneral = new QWidget;
    tsGeneral->setObjectName(QStringLiteral("tsGeneral"));
    PageControl1->addTab(tsGeneral, QStringLiteral("     General     "));

    Caption(tsGeneral, QStringLiteral("Default Output Path:"), 12, 10);
    edtOutputDir = new QLineEdit(tsGeneral);
    edtOutputDir->setObjectName(QStringLiteral("edtOutputDir"));
    edtOutputDir->setGeometry(12, 28, 360, 21);
    sbtnBrowse = FolderButton(tsGeneral, 376, 27);
    sbtnBrowse->setObjectName(QStringLiteral("sbtnBrowse"));

    Caption(tsGeneral, QStringLiteral("Work (temp) Directory:"), 12, 58);
    edtWorkDir = new QLineEdit(tsGeneral);
    edtWorkDir->setObjectName(QStringLiteral("edtWorkDir"));
    edtWorkDir->setGeometry(12, 76, 360, 21);
    SpeedButton1 = FolderButton(tsGeneral, 376, 75);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));

    Caption(tsGeneral, QStringLiteral("Synchronization Mode:"), 12, 113);
    cmbSyn = new QComboBox(tsGeneral); // a list to choose from, no typing
    cmbSyn->setObjectName(QStringLiteral("cmbSyn"));
    cmbSyn->setGeometry(150, 109, 160, 21);
    cmbSyn->addItems({QStringLiteral("Auto"), QStringLiteral("Force Mode"), QStringLiteral("Progressive Mode")});

    chkOpenDir = new QCheckBox(QStringLiteral("Open the output directory when the task is completed. "), tsGeneral);
    chkOpenDir->setObjectName(QStringLiteral("chkOpenDir"));
    chkOpenDir->setGeometry(12, 142, 396, 20);
    chkExit = new QCheckBox(QStringLiteral("Exit the program when the task is completed."), tsGeneral);
    chkExit->setObjectName(QStringLiteral("chkExit"));
    chkExit->setGeometry(12, 166, 396, 20);
    chkTurnoff = new QCheckBox(QStringLiteral("Turn off the computer when the task is completed."), tsGeneral);
    chkTurnoff->setObjectName(QStringLiteral("chkTurnoff"));
    chkTurnoff->setGeometry(12, 190, 396, 20);

    grpOverwrite = new QGroupBox(QStringLiteral("Output File Overwrite"), tsGeneral);
    grpOverwrite->setObjectName(QStringLiteral("grpOverwrite"));
    grpOverwrite->setGeometry(12, 220, 396, 92);
    rdbAsk = new QRadioButton(QStringLiteral("Ask Me"), grpOverwrite);
    rdbAsk->setObjectName(QStringLiteral("rdbAsk"));
    rdbAsk->setGeometry(12, 20, 372, 20);
    rdbOverWrite = new QRadioButton(QStringLiteral("Overwrite"), grpOverwrite);
    rdbOverWrite->setObjectName(QStringLiteral("rdbOverWrite"));
    rdbOverWrite->setGeometry(12, 42, 372, 20);
    rdbRename = new QRadioButton(QStringLiteral("Not overwrite (Rename to <Filename> + Index"), grpOverwrite);
    rdbRename->setObjectName(QStringLiteral("rdbRename"));
    rdbRename->setGeometry(12, 64, 372, 20);
    rdbAsk->setChecked(true);

    Caption(tsGeneral, QStringLiteral("Intermediate quality:"), 12, 324);
    cmbIntermediate = new QComboBox(tsGeneral);
    cmbIntermediate->setObjectName(QStringLiteral("cmbIntermediate"));
    cmbIntermediate->setGeometry(150, 320, 140, 21);
    cmbIntermediate->addItems(
        {QStringLiteral("The profile's bitrate"), QStringLiteral("High"), QStringLiteral("Streamed")});
    cmbIntermediate->setCurrentIndex(TPreferences().IntermediateIndex());
    chkChapterMarks = new QCheckBox(QStringLiteral("Chapter marks"), tsGeneral);
    chkChapterMarks->setObjectName(QStringLiteral("chkChapterMarks"));
    chkChapterMarks->setToolTip(QStringLiteral("MKV, MP4 and MOV files get a mark at each chapter"));
    chkChapterMarks->setGeometry(298, 320, 112, 21);
    chkChapterMarks->setChecked(true);
    Caption(tsGeneral, QStringLiteral("Subtitles:"), 12, 352);
    cmbSubtitles = new QComboBox(tsGeneral);
    cmbSubtitles->setObjectName(QStringLiteral("cmbSubtitles"));
    cmbSubtitles->setGeometry(150, 348, 140, 21);
    cmbSubtitles->addItems({QStringLiteral("Burn in"), QStringLiteral("As a track")});
    cmbSubtitles->setToolTip(QStringLiteral("As a track in MKV and MP4 files; other files have it burnt in"));

    connect(sbtnBrowse, &QToolButton::clicked, this, &TSettingForm::sbtnBrowseClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TSettingForm::SpeedButton1Click);
}

void TSettingForm::BuildProfilesPage()
{
    tsProfiles = new QWidget;
    tsProfiles->setObjectName(QStringLiteral("tsProfiles"));
    PageControl1->addTab(tsProfiles, QStringLiteral("     Profiles     "));

    cmbProfile = new QComboBox(tsProfiles);
    cmbProfile->setObjectName(QStringLiteral("cmbProfile"));
    cmbProfile->setGeometry(8, 10, 300, 21);
    btnSaveAs = new QPushButton(QStringLiteral("&Save as..."), tsProfiles);
    btnSaveAs->setObjectName(QStringLiteral("btnSaveAs"));
    btnSaveAs->setGeometry(316, 8, 92, 25);
    connect(cmbProfile, &QComboBox::activated, this, &TSettingForm::cmbProfileChange);
    connect(btnSaveAs, &QPushButton::clicked, this, &TSettingForm::btnSaveAsClick);

    ScrollBox1 = new QScrollArea(tsProfiles);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(8, 40, 400, 276);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    TGridColumn column(ScrollBox1);
    auto addSection = [&](const QString &caption, QToolButton *&button, TValueListEditor *&grid) {
        grid = column.AddSection(caption, button, 160, 200);
        grid->SetRefusedCharacters(QStringLiteral("[")); // a "[" would hide the keys below it in the file
    };
    addSection(QStringLiteral("Video"), btnVideo, vleVideo);
    addSection(QStringLiteral("Audio"), btnAudio, vleAudio);
    addSection(QStringLiteral("Advanced"), btnAdvanced, vleAdvanced);
    vleVideo->setObjectName(QStringLiteral("vleVideo"));
    vleAudio->setObjectName(QStringLiteral("vleAudio"));
    vleAdvanced->setObjectName(QStringLiteral("vleAdvanced"));
    btnVideo->setObjectName(QStringLiteral("btnVideo"));
    btnAudio->setObjectName(QStringLiteral("btnAudio"));
    btnAdvanced->setObjectName(QStringLiteral("btnAdvanced"));
    column.Finish();

    m_grids = new TProfileGrids(vleVideo, vleAudio, vleAdvanced, this);
    m_grids->ShowInitialRows();
    connect(btnVideo, &QToolButton::clicked, this, [this] { ToggleGrid(btnVideo, vleVideo); });
    connect(btnAudio, &QToolButton::clicked, this, [this] { ToggleGrid(btnAudio, vleAudio); });
    connect(btnAdvanced, &QToolButton::clicked, this, [this] { ToggleGrid(btnAdvanced, vleAdvanced); });
}

void TSettingForm::FormCreate()
{
    for (int i = 0; i < m_main.profile->count(); ++i)
        cmbProfile->addItem(m_main.profile->itemText(i));
    cmbProfile->setCurrentIndex(-1);
    // What the controls show if the preferences cannot be read at all.
    ShowPreferences(TPreferences::Defaults(AppFolders::DefaultOutputDir(), AppFolders::FallbackWorkDir()));
    LoadPreferences(false);
}

void TSettingForm::ShowPreferences(const TPreferences &p)
{
    edtOutputDir->setText(p.OutputPath);
    edtWorkDir->setText(p.WorkDir);
    AppFolders::SetWorkDir(EnsureTrailingBackslash(p.WorkDir));
    cmbSyn->setCurrentIndex(p.SynMode >= 0 && p.SynMode < cmbSyn->count() ? p.SynMode : -1);
    chkOpenDir->setChecked(p.AutoOpenDir);
    chkExit->setChecked(p.AutoExit);
    chkTurnoff->setChecked(p.AutoTurnOff);
    cmbIntermediate->setCurrentIndex(p.IntermediateIndex());
    chkChapterMarks->setChecked(p.ChapterMarks);
    cmbSubtitles->setCurrentIndex(p.SubtitleTrack ? 1 : 0);
    m_stallSeconds = p.StallSeconds;
    switch (p.WhenExists()) {
    case TPreferences::Existing::Overwrite:
        rdbOverWrite->setChecked(true);
        break;
    case TPreferences::Existing::Ask:
        rdbAsk->setChecked(true);
        break;
    case TPreferences::Existing::Rename:
        rdbRename->setChecked(true);
        break;
    }
}

void TSettingForm::LoadPreferences(bool fromDefault)
{
    TNewInifile *store = nullptr;
    try {
        store = new TNewInifile(AppFolders::PreferencesFile());
    } catch (const EQuarnelError &e) {
        ReportError(e.text());
        return;
    }
    const QString section = fromDefault ? QStringLiteral("Default") : QStringLiteral("Main");
    ShowPreferences(TPreferences::Read(*store, section, AppFolders::DefaultOutputDir(), AppFolders::FallbackWorkDir()));
    ReleaseAfterReading(store);
}

void TSettingForm::SavePreferences()
{
    const TPreferences p = ShownPreferences();
    auto *store = new TNewInifile(AppFolders::PreferencesFile());
    p.Write(*store);
    TNewInifile::SaveAndFree(store);
}

TPreferences TSettingForm::ShownPreferences() const
{
    TPreferences p;
    p.OutputPath = edtOutputDir->text();
    p.WorkDir = edtWorkDir->text();
    p.SynMode = cmbSyn->currentIndex();
    p.AutoOpenDir = chkOpenDir->isChecked();
    p.AutoExit = chkExit->isChecked();
    p.AutoTurnOff = chkTurnoff->isChecked();
    p.Ask = rdbAsk->isChecked();
    p.Overwrite = rdbOverWrite->isChecked();
    p.HighQualityIntermediate = cmbIntermediate->currentIndex() != 0;
    p.StreamedIntermediate = cmbIntermediate->currentIndex() == 2;
    p.ChapterMarks = chkChapterMarks->isChecked();
    p.SubtitleTrack = cmbSubtitles->currentIndex() == 1;
    p.StallSeconds = m_stallSeconds;
    return p;
}

void TSettingForm::LoadProfileToGrids(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile())
        return;
    auto *store = new TNewInifile(fileName);
    const TProfile profile = TProfile::Read(*store);
    ReleaseAfterReading(store);
    m_grids->Fill(profile);
    // Every grid is open again after a load, and its button says so.
    for (QToolButton *button : {btnVideo, btnAudio, btnAdvanced})
        button->setText(QStringLiteral("-"));
}

void TSettingForm::SaveGridsToProfile(const QString &fileName)
{
    auto *store = new TNewInifile(fileName);
    TProfile::WriteBack(*store, *m_grids);
    TNewInifile::SaveAndFree(store);
}

QString TSettingForm::ProfileFile() const
{
    return MainPreferences::ProfileFile(cmbProfile->currentText());
}

void TSettingForm::cmbProfileChange()
{
    try {
        LoadProfileToGrids(ProfileFile());
    } catch (const EQuarnelError &e) {
        ReportError(e.text());
    }
}

void TSettingForm::ReportError(const QString &text)
{
    MessageBox::Error(isVisible() ? this : nullptr, text, ProgramInfo::ProductName());
}

void TSettingForm::bbtnSettingClick()
{
    show();
    raise();
    activateWindow();
    PageControl1->setCurrentWidget(tsProfiles);
    cmbProfile->setCurrentIndex(m_main.profile->currentIndex());
    cmbProfileChange();
}

void TSettingForm::sbtnOptionsClick()
{
    show();
    raise();
    activateWindow();
    PageControl1->setCurrentWidget(tsGeneral);
    // The Profiles page shows a profile, the main window's, unless one was chosen here.
    if (cmbProfile->currentIndex() < 0 && m_main.profile->currentIndex() >= 0) {
        cmbProfile->setCurrentIndex(m_main.profile->currentIndex());
        cmbProfileChange();
    }
}

void TSettingForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        FitScreen();
        move(m_main.window->geometry().center() - rect().center());
        m_main.window->setEnabled(false);
        edtOutputDir->setText(m_main.outputDir->text());
        m_snapshot = TakeSnapshot();
    }
    QWidget::showEvent(event);
}

void TSettingForm::FitScreen()
{
    const QScreen *screen = m_main.window->screen();
    if (!screen)
        return;
    // Room for a title bar, as the window has none yet to measure.
    const QSize room = screen->availableGeometry().size() - QSize(0, QFontMetrics(font()).height() + 12);
    if (room.expandedTo(QSize(kWidth, kHeight)) == room) {
        setFixedSize(kWidth, kHeight);
        return;
    }
    // Resizable up to its whole size and a scroll bar, so that it is made to fit the screen
    // once placed.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QSize whole(kWidth + bar, kHeight);
    setMinimumSize(160, 120);
    setMaximumSize(whole);
    resize(whole.boundedTo(room));
}

void TSettingForm::closeEvent(QCloseEvent *event)
{
    m_main.window->setEnabled(true);
    QWidget::closeEvent(event);
}

TSettingForm::Snapshot TSettingForm::TakeSnapshot() const
{
    Snapshot s;
    s.outputDir = edtOutputDir->text();
    s.workDir = edtWorkDir->text();
    s.syn = cmbSyn->currentIndex();
    s.openDir = chkOpenDir->isChecked();
    s.exit = chkExit->isChecked();
    s.turnOff = chkTurnoff->isChecked();
    s.ask = rdbAsk->isChecked();
    s.overwrite = rdbOverWrite->isChecked();
    s.rename = rdbRename->isChecked();
    s.intermediate = cmbIntermediate->currentIndex();
    s.chapterMarks = chkChapterMarks->isChecked();
    s.subtitles = cmbSubtitles->currentIndex();
    return s;
}

void TSettingForm::RestoreSnapshot(const Snapshot &s)
{
    edtOutputDir->setText(s.outputDir);
    edtWorkDir->setText(s.workDir);
    cmbSyn->setCurrentIndex(s.syn);
    chkOpenDir->setChecked(s.openDir);
    chkExit->setChecked(s.exit);
    chkTurnoff->setChecked(s.turnOff);
    cmbIntermediate->setCurrentIndex(s.intermediate);
    chkChapterMarks->setChecked(s.chapterMarks);
    cmbSubtitles->setCurrentIndex(s.subtitles);
    if (s.ask)
        rdbAsk->setChecked(true);
    else if (s.overwrite)
        rdbOverWrite->setChecked(true);
    else if (s.rename)
        rdbRename->setChecked(true);
}

void TSettingForm::btnOKClick()
{
    m_main.outputDir->setText(edtOutputDir->text());
    AppFolders::SetWorkDir(edtWorkDir->text());

    // Each file is saved on its own: one that cannot be written costs only its own changes,
    // and the dialog stays open with everything the user set.
    QStringList failures;
    try {
        SavePreferences();
    } catch (const EQuarnelError &e) {
        failures << e.text();
    }
    const QString profile = ProfileFile();
    if (QFileInfo(profile).isFile()) {
        try {
            SaveGridsToProfile(profile);
            ReloadMainGridsIfShown(profile);
        } catch (const EQuarnelError &e) {
            failures << e.text();
        }
    }
    for (const QString &text : std::as_const(failures))
        ReportError(text);
    if (failures.isEmpty())
        close();
}

void TSettingForm::btnCancelClick()
{
    close();
    RestoreSnapshot(m_snapshot);
}

void TSettingForm::btnDefaultClick()
{
    if (MessageBox::Question(this, QStringLiteral("Are you sure to load the default preferences?"),
                             QStringLiteral("Load Default")))
        LoadPreferences(true);
}

void TSettingForm::btnSaveAsClick()
{
    // Where a saved profile is listed at once.
    const QString target = FileChooser::SaveFileName(this, AppFolders::ProfilesFolder(), QStringLiteral("Profiles (*.apf)"),
                                                     QStringLiteral("apf"));
    if (target.isEmpty())
        return;
    const QString source = ProfileFile();
    if (!QFileInfo(source).isFile())
        return;
    try {
        if (!SameFile(source, target))
            CopyProfile(source, target);
        SaveGridsToProfile(target);
        ReloadMainGridsIfShown(target);
    } catch (const EQuarnelError &e) {
        ReportError(e.text());
    }
    // A profile saved into the Profiles folder can be chosen at once, in both windows.
    RelistProfiles();
}

void TSettingForm::ReloadMainGridsIfShown(const QString &file)
{
    if (m_main.profile->currentIndex() < 0
        || !SameFile(MainPreferences::ProfileFile(m_main.profile->currentText()), file))
        return;
    if (TMainProfileGrids *mainGrids = TMainProfileGrids::Of(m_main.window))
        mainGrids->cmbProfileChange();
}

void TSettingForm::RelistProfiles()
{
    const QStringList names = MainPreferences::ProfileNames();
    for (QComboBox *combo : {m_main.profile, cmbProfile}) {
        // The choice stays on its name; its position may move.
        const QString chosen = combo->currentIndex() >= 0 ? combo->currentText() : QString();
        combo->clear();
        combo->addItems(names);
        combo->setCurrentIndex(chosen.isEmpty() ? -1 : int(names.indexOf(chosen)));
    }
}

void TSettingForm::sbtnBrowseClick()
{
    QString folder;
    if (FileChooser::BrowseForFolder(this, QStringLiteral("Select the output directory."), QString(), QString(),
                                     folder))
        edtOutputDir->setText(EnsureTrailingBackslash(folder));
}

void TSettingForm::SpeedButton1Click()
{
    QString folder;
    if (FileChooser::BrowseForFolder(this, QStringLiteral("Select the output directory."), QString(), QString(),
                                     folder))
        edtWorkDir->setText(EnsureTrailingBackslash(folder));
}

void TSettingForm::ToggleGrid(QToolButton *button, TValueListEditor *grid)
{
    if (button->text() != u"+") {
        grid->setFixedHeight(1);
        button->setText(QStringLiteral("+"));
    } else {
        const int rows = grid->RowCount();
        grid->setFixedHeight(rows * TValueListEditor::RowHeight + rows + 1);
        button->setText(QStringLiteral("-"));
    }
}
