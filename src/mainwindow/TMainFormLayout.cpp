#include "MainFormGeometry.h"
#include "TMainForm.h"

#include "convert/run/TConversionController.h"
#include "core/AppFolders.h"
#include "core/Artwork.h"
#include "core/EQuarnelError.h"
#include "core/FileChooser.h"
#include "core/MessageBox.h"
#include "core/PathText.h"
#include "core/PowerManager.h"
#include "core/ProgramInfo.h"
#include "core/ShellOpen.h"
#include "core/TBusyHint.h"
#include "core/TDVDInformation.h"
#include "core/TImageButton.h"
#include "dialogs/TAboutForm.h"
#include "dialogs/THelpWindow.h"
#include "dvd/DvdOpener.h"
#include "dvd/DvdSource.h"
#include "dvd/DvdTitleLoader.h"
#include "dvd/TOpenDVDForm.h"
#include "preview/TPreviewPane.h"
#include "profiles/MainPreferences.h"
#include "profiles/TGridColumn.h"
#include "profiles/TMainProfileGrids.h"
#include "profiles/TSettingForm.h"
#include "profiles/TValueListEditor.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"
#include "tasklist/TTrackChoiceBox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QTextStream>
#include <QToolButton>
#include <QVBoxLayout>

using namespace MainFormGeometry;

namespace {

QLabel *Picture(QWidget *parent, QRect geometry, const QPixmap &pixmap)
{
    auto *label = new QLabel(parent);
    label->setGeometry(geometry);
    label->setPixmap(pixmap);
    return label;
}

QLabel *Caption(QWidget *parent, const QString &text, int x, int y)
{
    auto *label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QComboBox *DropDownList(QWidget *parent, QRect geometry)
{
    auto *combo = new QComboBox(parent); // not editable: a list to choose from
    combo->setGeometry(geometry);
    return combo;
}

QToolButton *GlyphButton(QWidget *parent, const QPixmap &glyph, const QString &hint, QRect geometry)
{
    auto *button = new QToolButton(parent);
    button->setIcon(glyph);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setCursor(Qt::PointingHandCursor);
    button->setGeometry(geometry);
    return button;
}

QToolButton *ToolStripButton(QWidget *parent, const QString &caption, const QPixmap &glyph, int x)
{
    auto *button = new QToolButton(parent);
    button->setText(caption);
    button->setIcon(glyph);
    button->setIconSize(QSize(28, 28));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setGeometry(x, (kToolbarHeight - 41) / 2, 100, 41);
    // Light captions on the dark strip; hovering only lightens the strip under the button a
    // little, where the style's own raised panel turned the light caption unreadable. The
    // keyboard's focus shows as a light frame.
    button->setStyleSheet(QStringLiteral(
        "QToolButton { color: #d4d4d4; background: transparent; border: 1px solid transparent; border-radius: 3px; }"
        "QToolButton:hover { background: rgba(255, 255, 255, 36); border-color: rgba(255, 255, 255, 70); }"
        "QToolButton:pressed { background: rgba(0, 0, 0, 60); }"
        "QToolButton:focus { border-color: rgba(255, 255, 255, 160); }"
        "QToolButton:disabled { color: #b4bcc8; }"));
    return button;
}

QToolButton *MediaButton(QWidget *parent, QStyle::StandardPixmap icon, const QString &hint, int x, int y)
{
    auto *button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setAutoRaise(true);
    button->setToolTip(hint);
    button->setGeometry(x, y, 24, 22);
    return button;
}

} // namespace

void TMainForm::BuildLayout()
{
    setWindowFlags(Qt::Window);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(ClientWidth, ClientHeight);
    QFont font = QApplication::font();
    font.setPointSize(8);
    setFont(font);

    const int middleHeight = ClientHeight - kTopMargin - kBottomMargin;
    panTopMargin = Picture(this, QRect(0, 0, ClientWidth, kTopMargin), Artwork::Margin(QSize(ClientWidth, kTopMargin)));
    panTopMargin->setObjectName(QStringLiteral("panTopMargin"));
    panBottomMargin = Picture(this, QRect(0, ClientHeight - kBottomMargin, ClientWidth, kBottomMargin),
                              Artwork::Margin(QSize(ClientWidth, kBottomMargin)));
    panBottomMargin->setObjectName(QStringLiteral("panBottomMargin"));
    Image4 = panBottomMargin;
    panLeftMargin = Picture(this, QRect(0, kTopMargin, kLeftMargin, middleHeight),
                            Artwork::Margin(QSize(kLeftMargin, middleHeight)));
    panLeftMargin->setObjectName(QStringLiteral("panLeftMargin"));

    const int mainWidth = ClientWidth - kLeftMargin - kSplitter - kRightColumn;
    panMain = new QWidget(this);
    panMain->setObjectName(QStringLiteral("panMain"));
    panMain->setGeometry(kLeftMargin, kTopMargin, mainWidth, middleHeight);
    panSplitter = Picture(this, QRect(kLeftMargin + mainWidth, kTopMargin, kSplitter, middleHeight),
                          Artwork::Margin(QSize(kSplitter, middleHeight)));
    panSplitter->setObjectName(QStringLiteral("panSplitter"));
    panProfile = new QWidget(this);
    panProfile->setObjectName(QStringLiteral("panProfile"));
    panProfile->setGeometry(ClientWidth - kRightColumn, kTopMargin, kRightColumn, middleHeight);
    panProfile->setAutoFillBackground(true);

    BuildPreviewPane();
    BuildGrids();
    BuildStartStopArea();
    BuildMainArea();
    BuildHintAndCover();

    Image4->setMouseTracking(true);
    Image4->installEventFilter(this);
    BuildKeyboard();
}

namespace {

// The platform's keys for a standard command, or `fallback` where the platform has none
// (the offscreen and some bare X11 sessions know no Quit).
QKeySequence StandardKeys(QKeySequence::StandardKey key, const QKeySequence &fallback)
{
    const QList<QKeySequence> keys = QKeySequence::keyBindings(key);
    return keys.isEmpty() ? fallback : keys.first();
}

QString WithKeys(const QString &hint, const QKeySequence &keys)
{
    return hint + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

} // namespace

void TMainForm::BuildKeyboard()
{
    auto shortcut = [this](QAction *action, const QKeySequence &keys) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action); // active while the window is, shown where the action is listed
        return action;
    };
    const QKeySequence open = StandardKeys(QKeySequence::Open, QKeySequence(Qt::CTRL | Qt::Key_O));
    shortcut(pmiOpenDVD, open);
    sbtnOpenDVD->setToolTip(WithKeys(QStringLiteral("Open a DVD"), open));

    const QKeySequence help = StandardKeys(QKeySequence::HelpContents, QKeySequence(Qt::Key_F1));
    connect(shortcut(new QAction(this), help), &QAction::triggered, this, &TMainForm::SpeedButton1Click);
    SpeedButton1->setToolTip(WithKeys(QStringLiteral("Help"), help));

    // Closing asks first while a conversion runs.
    connect(shortcut(new QAction(this), StandardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q))),
            &QAction::triggered, this, &QWidget::close);

    const QKeySequence start(Qt::Key_F5);
    const QKeySequence stop(Qt::SHIFT | Qt::Key_F5);
    connect(shortcut(new QAction(this), start), &QAction::triggered, imgStart, &TImageButton::Click);
    connect(shortcut(new QAction(this), stop), &QAction::triggered, imgStop, &TImageButton::Click);
    imgStart->setToolTip(WithKeys(QStringLiteral("Start"), start));
    imgStop->setToolTip(WithKeys(QStringLiteral("Stop"), stop));
    imgStart->setAccessibleName(QStringLiteral("Start"));
    imgStop->setAccessibleName(QStringLiteral("Stop"));
    sbtnPlay->setToolTip(WithKeys(QStringLiteral("Play"), QKeySequence(Qt::Key_Space)));
    sbtnPause->setToolTip(WithKeys(QStringLiteral("Pause"), QKeySequence(Qt::Key_Space)));

    // Tab goes through the window in the order it is read: the tool strip, the list and the
    // entry's choices, the output, the grids, Start or Stop, the preview, the small buttons.
    // The grids' heading buttons do nothing here and are left out.
    for (QToolButton *heading : {btnVideo, btnAudio, btnAdvanced})
        heading->setFocusPolicy(Qt::NoFocus);
    ScrollBox1->setFocusPolicy(Qt::NoFocus); // its grids take the focus, each in turn
    VideoWindow->setFocusPolicy(Qt::StrongFocus);
    const QList<QWidget *> order{sbtnOpenDVD,  sbtnOpenDir, sbtnSegment,  sbtnOptions,  ltvTask,     cmbAudio,
                                 cmbSub,       cmbAngle,    cmbProfile,   bbtnSetting,  edtOutputDir, bbtnBrowser,
                                 bbtnOpen,     chkTurnoff,  vleVideo,     vleAudio,     vleAdvanced, imgStart,
                                 imgStop,      VideoWindow, TrackBar,     sbtnPlay,     sbtnPause,   sbtnStop,
                                 SpeedButton1, SpeedButton2, SpeedButton3};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
}

void TMainForm::BuildPreviewPane()
{
    panPreview = new QWidget(panProfile);
    panPreview->setObjectName(QStringLiteral("panPreview"));
    panPreview->setGeometry(0, 0, kRightColumn, 205);

    VideoWindow = new QWidget(panPreview);
    VideoWindow->setObjectName(QStringLiteral("VideoWindow"));
    VideoWindow->setGeometry(0, 0, 210, 139);
    VideoWindow->setAutoFillBackground(true);
    QPalette black = VideoWindow->palette();
    black.setColor(QPalette::Window, Qt::black);
    VideoWindow->setPalette(black);
    m_previewStrip = Picture(panPreview, QRect(210, 0, kPreviewStrip, 139), Artwork::Margin(QSize(kPreviewStrip, 139)));

    panPreviewButton = new QWidget(panPreview);
    panPreviewButton->setObjectName(QStringLiteral("panPreviewButton"));
    panPreviewButton->setGeometry(0, 139, kRightColumn, 66);
    TrackBar = new QSlider(Qt::Horizontal, panPreviewButton);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setRange(0, 100);
    TrackBar->setGeometry(2, 2, 206, 20);
    const QString zero = QStringLiteral("00:00:00");
    labStart = Caption(panPreviewButton, zero, 4, 22);
    labMiddle = Caption(panPreviewButton, zero, 84, 22);
    labMiddle->hide();
    labEnd = Caption(panPreviewButton, zero, 0, 22);
    labEnd->move(208 - labEnd->width(), 22);
    sbtnPlay = MediaButton(panPreviewButton, QStyle::SP_MediaPlay, QStringLiteral("Play"), 4, 40);
    sbtnPause = MediaButton(panPreviewButton, QStyle::SP_MediaPause, QStringLiteral("Pause"), 30, 40);
    sbtnStop = MediaButton(panPreviewButton, QStyle::SP_MediaStop, QStringLiteral("Stop"), 56, 40);
    labPreviewPlayTime = Caption(panPreviewButton, zero, 0, 44);
    labPreviewPlayTime->move(208 - labPreviewPlayTime->width(), 44);
}

void TMainForm::BuildGrids()
{
    ScrollBox1 = new QScrollArea(panProfile);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(0, 205, kRightColumn, 210);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    TGridColumn column(ScrollBox1);
    // Their initial rows come with TMainProfileGrids.
    vleVideo = column.AddSection(QStringLiteral("Video"), btnVideo, 95, 92);
    vleAudio = column.AddSection(QStringLiteral("Audio"), btnAudio, 95, 92);
    vleAdvanced = column.AddSection(QStringLiteral("Advanced"), btnAdvanced, 95, 92);
    vleVideo->setObjectName(QStringLiteral("vleVideo"));
    vleAudio->setObjectName(QStringLiteral("vleAudio"));
    vleAdvanced->setObjectName(QStringLiteral("vleAdvanced"));
    column.Finish();

    m_gridStrip = Picture(panProfile, QRect(0, 415, kRightColumn, kGridStrip), Artwork::Margin(QSize(kRightColumn, kGridStrip)));
}

void TMainForm::BuildStartStopArea()
{
    Panel1 = new QWidget(panProfile);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 425, kRightColumn, 84);
    Image10 = Picture(Panel1, QRect(0, 0, kRightColumn, 84), Artwork::StartStopBackground(QSize(kRightColumn, 84)));
    Image10->setObjectName(QStringLiteral("Image10"));
    Image10->setMouseTracking(true);
    Image10->installEventFilter(this);

    imgStart = new TImageButton(Artwork::StartFrames(), Panel1);
    imgStart->setObjectName(QStringLiteral("imgStart"));
    imgStart->move(12, 10);
    imgStop = new TImageButton(Artwork::StopFrames(), Panel1);
    imgStop->setObjectName(QStringLiteral("imgStop"));
    imgStop->move(12, 10);
    imgStop->hide();

    SpeedButton1 = GlyphButton(Panel1, Artwork::HelpGlyph(), QStringLiteral("Help"), QRect(196, 6, 22, 22));
    SpeedButton2 = GlyphButton(Panel1, Artwork::AboutGlyph(), QStringLiteral("About"), QRect(196, 31, 22, 22));
    SpeedButton3 =
        GlyphButton(Panel1, Artwork::WebGlyph(), QStringLiteral("Visit our website"), QRect(196, 56, 22, 22));
    connect(SpeedButton1, &QToolButton::clicked, this, &TMainForm::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TMainForm::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TMainForm::SpeedButton3Click);
}

void TMainForm::BuildMainArea()
{
    const int width = panMain->width();
    const int listHeight = panMain->height() - kToolbarHeight - kBottomHeight;

    ltvTask = new TTaskTreeView(panMain);
    ltvTask->setObjectName(QStringLiteral("ltvTask"));
    ltvTask->setGeometry(0, 0, width, listHeight);
    TaskList = new TTaskListModel(this);
    ltvTask->setModel(TaskList);
    const int widths[] = {175, 80, 80, 200, 10};
    for (int c = 0; c < TTaskListModel::ColumnCount; ++c)
        ltvTask->setColumnWidth(c, widths[c]);
    ltvTask->FitToTexts(TTaskListModel::TitleColumn, TTaskListModel::OutputColumn);
    connect(ltvTask->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { ltvTaskChange(); });
    connect(TaskList, &TTaskListModel::EntryCheckClicked, this, [this](const QModelIndex &index) {
        // Clicking a check box makes that entry the focused one.
        ltvTask->setCurrentIndex(index);
        ltvTaskChange();
    });
    BuildPopupMenu();

    Panel2 =
        Picture(panMain, QRect(0, listHeight, width, kToolbarHeight), Artwork::Toolbar(QSize(width, kToolbarHeight)));
    Panel2->setObjectName(QStringLiteral("Panel2"));
    sbtnOpenDVD = ToolStripButton(Panel2, QStringLiteral("Open DVD"), Artwork::OpenDvdGlyph(), 6);
    sbtnOpenDir = ToolStripButton(Panel2, QStringLiteral("Open Dir"), Artwork::OpenDirGlyph(), 106);
    sbtnSegment = ToolStripButton(Panel2, QStringLiteral("Segment"), Artwork::SegmentGlyph(), 206);
    sbtnOptions = ToolStripButton(Panel2, QStringLiteral("Settings"), Artwork::SettingsGlyph(), 306);
    sbtnSegment->setEnabled(false); // until a DVD with entries is open
    connect(sbtnOpenDVD, &QToolButton::clicked, this, &TMainForm::sbtnOpenDVDClick);
    connect(sbtnOpenDir, &QToolButton::clicked, this, &TMainForm::sbtnOpenDirClick);

    panBottom = new QWidget(panMain);
    panBottom->setObjectName(QStringLiteral("panBottom"));
    panBottom->setGeometry(0, listHeight + kToolbarHeight, width, kBottomHeight);
    BuildBottomCenter();
    BuildBottomLeft();
}

void TMainForm::BuildBottomCenter()
{
    panBottomCenter = new QWidget(panBottom);
    panBottomCenter->setObjectName(QStringLiteral("panBottomCenter"));
    panBottomCenter->setGeometry(0, 0, kBottomPanelWidth, kBottomHeight);

    // Each field starts a little right of its caption, whatever width the desktop's font
    // gives the caption; the fields of the first column line up.
    constexpr int gap = 6;
    QLabel *audioCaption = Caption(panBottomCenter, QStringLiteral("Audio Track:"), 2, 15);
    QLabel *profileCaption = Caption(panBottomCenter, QStringLiteral("Profile:"), 2, 47);
    QLabel *outputCaption = Caption(panBottomCenter, QStringLiteral("Output Path:"), 2, 79);
    int left = 70;
    for (QLabel *caption : {audioCaption, profileCaption, outputCaption})
        left = qMax(left, caption->x() + caption->width() + gap);

    cmbAudio = new TTrackChoiceBox(panBottomCenter);
    cmbAudio->setGeometry(left, 12, 180, 21);
    cmbAudio->SetKeepsSeveral([this] { return KeepsSeveralSoundTracks(); });
    // FormResize places the rest of the first line.
    m_subCaption = Caption(panBottomCenter, QStringLiteral("Sub Title:"), 0, 15);
    cmbSub = DropDownList(panBottomCenter, QRect(0, 12, 130, 21));
    m_angleCaption = Caption(panBottomCenter, QStringLiteral("Angle:"), 0, 15);
    cmbAngle = DropDownList(panBottomCenter, QRect(0, 12, 56, 21));
    cmbAudioLanguage = DropDownList(panBottomCenter, QRect(0, 0, 10, 21));
    cmbAudioLanguage->hide();

    cmbProfile = DropDownList(panBottomCenter, QRect(left, 44, 400, 21));
    cmbProfile->setObjectName(QStringLiteral("cmbProfile"));
    bbtnSetting = new QPushButton(QStringLiteral("&Settings"), panBottomCenter);
    bbtnSetting->setGeometry(480, 42, 80, 25);

    edtOutputDir = new QLineEdit(panBottomCenter);
    edtOutputDir->setObjectName(QStringLiteral("edtOutputDir"));
    edtOutputDir->setGeometry(left, 76, 320, 21);
    bbtnBrowser = new QPushButton(QStringLiteral("&Browse"), panBottomCenter);
    bbtnBrowser->setGeometry(397, 74, 78, 25);
    bbtnOpen = new QPushButton(QStringLiteral("&Open"), panBottomCenter);
    bbtnOpen->setGeometry(480, 74, 80, 25);
    connect(bbtnOpen, &QPushButton::clicked, this, &TMainForm::bbtnOpenClick);
    connect(bbtnBrowser, &QPushButton::clicked, this, &TMainForm::bbtnBrowserClick);
    connect(cmbAudio, &TTrackChoiceBox::TracksChosen, this, &TMainForm::StoreAudioTracks);
    // The profile's file type decides whether the tracks after the first are kept.
    connect(cmbProfile, &QComboBox::currentIndexChanged, cmbAudio, qOverload<>(&QWidget::update));
    connect(cmbSub, &QComboBox::activated, this,
            [this](int i) { StoreChoice(int(TTaskListModel::Choice::Subtitle), i); });
    connect(cmbAngle, &QComboBox::activated, this,
            [this](int i) { StoreChoice(int(TTaskListModel::Choice::Angle), i); });
    for (QPushButton *b : {bbtnSetting, bbtnBrowser, bbtnOpen})
        b->setIcon(style()->standardIcon(b == bbtnSetting   ? QStyle::SP_FileDialogDetailedView
                                         : b == bbtnBrowser ? QStyle::SP_DirOpenIcon
                                                            : QStyle::SP_DirLinkIcon));
}

void TMainForm::BuildBottomLeft()
{
    panBottomLeft = new QWidget(panBottom);
    panBottomLeft->setObjectName(QStringLiteral("panBottomLeft"));
    panBottomLeft->setGeometry(0, 0, kBottomPanelWidth, kBottomHeight);

    // FormResize places the first line.
    m_figureCaptions = {Caption(panBottomLeft, QStringLiteral("Frames:"), 6, 14),
                        Caption(panBottomLeft, QStringLiteral("Time Elapsed:"), 190, 14),
                        Caption(panBottomLeft, QStringLiteral("Time Remaining:"), 370, 14)};
    labFrame = Caption(panBottomLeft, QStringLiteral("0"), 100, 14);
    labFrame->setMinimumWidth(70);
    labElapsed = Caption(panBottomLeft, QStringLiteral("00:00:00"), 272, 14);
    labRemaining = Caption(panBottomLeft, QStringLiteral("00:00:00"), 466, 14);

    // The bars begin right of the wider caption, whatever width the desktop's font gives it.
    QLabel *captions[] = {Caption(panBottomLeft, QStringLiteral("Current Progress:"), 6, 46),
                          Caption(panBottomLeft, QStringLiteral("Total Progress:"), 6, 76)};
    const int barLeft = qMax(100, qMax(captions[0]->width(), captions[1]->width()) + 6 + 6);
    auto progressRow = [&](int y, QFrame *&frame, QProgressBar *&bar, QLabel *&percent) {
        frame = new QFrame(panBottomLeft);
        frame->setFrameShape(QFrame::NoFrame);
        frame->setGeometry(barLeft, y, 440, 18);
        bar = new QProgressBar(frame);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        bar->setGeometry(0, 0, 439, 18);
        percent = Caption(panBottomLeft, QStringLiteral("0%"), 545, y + 2);
        percent->setFixedWidth(25);
    };
    progressRow(44, panCurrentFrame, pgbCurrent, labCurProgress);
    progressRow(74, panTotalFrame, pgbTotal, labTotalProgress);
}

void TMainForm::BuildHintAndCover()
{
    const int listHeight = ltvTask->height();
    PanHint = new QFrame(panMain);
    PanHint->setObjectName(QStringLiteral("PanHint"));
    PanHint->setFrameShape(QFrame::Box);
    PanHint->setAutoFillBackground(true);
    QPalette hintPalette = PanHint->palette();
    hintPalette.setColor(QPalette::Window, QColor(0xff, 0xfb, 0xe6));
    hintPalette.setColor(QPalette::WindowText, QColor(0x1c, 0x26, 0x38));
    PanHint->setPalette(hintPalette);
    PanHint->setGeometry((panMain->width() - kHintWidth) / 2, listHeight, kHintWidth, 0);
    labHint = new QLabel(PanHint);
    labHint->setAlignment(Qt::AlignCenter);
    labHint->setWordWrap(true);
    labHint->setGeometry(8, 20, kHintWidth - 16, 40);
    QFont hintFont = labHint->font();
    hintFont.setPointSize(10);
    hintFont.setBold(true);
    labHint->setFont(hintFont);
    chkTurnoff = new QCheckBox(QStringLiteral("Turn off the computer after the conversion is completed."), PanHint);
    chkTurnoff->setObjectName(QStringLiteral("chkTurnoff"));
    chkTurnoff->setGeometry(20, 74, kHintWidth - 40, 22);
    chkTurnoff->hide();
    PanHint->hide();

    Memo1 = new QPlainTextEdit(panMain);
    Memo1->hide();
    Memo2 = new QPlainTextEdit(panMain);
    Memo2->hide();

    panbg = Picture(panMain, QRect(0, 0, panMain->width(), listHeight),
                    Artwork::Cover(QSize(panMain->width(), listHeight)));
    panbg->setObjectName(QStringLiteral("panbg"));
    labProgramName = new QLabel(panbg);
    labProgramName->setObjectName(QStringLiteral("labProgramName"));
    labProgramName->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labProgramName->setGeometry(200, 60, panMain->width() - 230, 56);
    QFont nameFont(QStringLiteral("Verdana"));
    nameFont.setPixelSize(40);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    labProgramName->setFont(nameFont);
    QPalette namePalette = labProgramName->palette();
    namePalette.setColor(QPalette::WindowText, QColor(0x2f, 0x40, 0x5e));
    labProgramName->setPalette(namePalette);
    panbg->raise();
    PanHint->raise();
}

void TMainForm::BuildPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    pmiOpenDVD = PopupMenu1->addAction(QStringLiteral("Open DVD"), this, &TMainForm::sbtnOpenDVDClick);
    pmiOpenDir = PopupMenu1->addAction(QStringLiteral("Open Directory"), this, &TMainForm::sbtnOpenDirClick);
    PopupMenu1->addSeparator();
    QMenu *check = PopupMenu1->addMenu(QStringLiteral("Check"));
    pmiCheckAll = check->menuAction();
    pmiCheckTitleChapter =
        check->addAction(QStringLiteral("All Titles and Chapters"), this, [this] { TaskList->CheckAll(true, true); });
    check->addSeparator();
    pmiCheckTitle = check->addAction(QStringLiteral("All Titles"), this, [this] { TaskList->CheckAll(true, false); });
    pmiCheckChapter =
        check->addAction(QStringLiteral("All Chapters"), this, [this] { TaskList->CheckAll(false, true); });
    pmiUncheck = PopupMenu1->addAction(QStringLiteral("Uncheck All"), this, [this] { TaskList->UncheckAll(); });
    PopupMenu1->addSeparator();
    pmiTrimTime = PopupMenu1->addAction(QStringLiteral("Edit Start && End Time"));
    pmiDVDVolume = PopupMenu1->addAction(QStringLiteral("Change DVD Volume"));
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TMainForm::PopupMenu1Popup);
    connect(ltvTask, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ltvTask->viewport()->mapToGlobal(pos)); });
}
