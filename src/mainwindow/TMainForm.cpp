#include "TMainForm.h"

#include "convert/commands/StreamedConversion.h"
#include "convert/run/TConversionController.h"
#include "core/AppFolders.h"
#include "core/Artwork.h"
#include "core/EQuarnelError.h"
#include "core/FileChooser.h"
#include "core/MessageBox.h"
#include "core/OutputExt.h"
#include "core/OwnedWindows.h"
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
#include "tasklist/AudioTrackChoice.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"
#include "tasklist/TTrackChoiceBox.h"

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

#include "MainFormGeometry.h"

using namespace MainFormGeometry;

namespace {
// The pause between the opened hint and the work of an opening.
constexpr int kOpeningPauseMs = 600;
} // namespace

TMainForm::TMainForm(const QString &programFolder, QWidget *parent)
    : QWidget(parent)
    , m_titleLoader(std::make_unique<DvdTitleLoader>())
{
    AppFolders::SetAppDir(programFolder);
    BuildLayout();
    m_profileGrids = new TMainProfileGrids(this, {vleVideo, vleAudio, vleAdvanced, cmbProfile, TaskList});
    m_profileGrids->ShowInitialRows();
    connect(cmbProfile, &QComboBox::activated, this, &TMainForm::cmbProfileChange);
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate()
{
    ProgramInfo::InitProductInfo(MainPreferences::Version());
    // Exactly this caption: with an application display name set, Qt would append it on X11
    // (" — Quarnel") to this caption and to every dialog's.
    setWindowTitle(ProgramInfo::MainCaption());
    labProgramName->setText(ProgramInfo::HeaderName(ProgramInfo::ProductName()));

    cmbProfile->addItems(MainPreferences::ProfileNames());
    cmbProfile->setCurrentIndex(-1);

    panBottomCenter->resize(kBottomPanelWidth, kBottomHeight);
    panBottomLeft->resize(kBottomPanelWidth, kBottomHeight);
    panBottomLeft->hide();

    PowerManager::Instance().InhibitSuspend();
    DvdInfo.DvdPath.clear();
    setAcceptDrops(true);

    m_busyHint = new TBusyHint(PanHint, labHint, ltvTask, chkTurnoff, this);
    connect(m_busyHint, &TBusyHint::HeightChanged, this, &TMainForm::BusyHintHeightChanged);
    m_dvdOpener = new DvdOpener(this);
    FormResize();
}

void TMainForm::LoadMainPreferences()
{
    if (cmbProfile->count() > 0) {
        cmbProfile->setCurrentIndex(MainPreferences::ProfileIndex(cmbProfile->count()));
        cmbProfileChange();
    }
    edtOutputDir->setText(MainPreferences::OutputPath());
}

void TMainForm::SaveMainPreferences()
{
    MainPreferences::Store(cmbProfile->currentIndex(), edtOutputDir->text());
    MainPreferences::StoreWindowSize(isMaximized() || isFullScreen() ? normalGeometry().size() : size());
}

void TMainForm::cmbProfileChange()
{
    m_profileGrids->cmbProfileChange();
}

TPreviewControls TMainForm::PreviewControls()
{
    return {this,    VideoWindow, sbtnPlay, sbtnPause, sbtnStop, TrackBar,
            ltvTask, TaskList,    cmbSub,   labStart,  labEnd,   labPreviewPlayTime};
}

TConversionPanel TMainForm::ConversionPanel()
{
    TConversionPanel p{this,
                       imgStart,
                       imgStop,
                       TaskList,
                       edtOutputDir,
                       cmbProfile,
                       chkTurnoff,
                       panBottomLeft,
                       panBottomCenter,
                       pgbCurrent,
                       pgbTotal,
                       labCurProgress,
                       labTotalProgress,
                       labFrame,
                       labElapsed,
                       labRemaining,
                       labHint,
                       Memo1,
                       Memo2,
                       m_busyHint,
                       {},
                       {}};
    p.LockUiForConversion = [this](std::function<void()> whenReady) { LockUiForConversion(std::move(whenReady)); };
    p.UnlockUiAfterConversion = [this](std::function<void()> whenDone) {
        UnlockUiAfterConversion(std::move(whenDone));
    };
    return p;
}

void TMainForm::ShowBusyHint(const QString &text, std::function<void()> whenOpen)
{
    m_busyHint->Show(text, std::move(whenOpen));
}

void TMainForm::HideBusyHint(std::function<void()> whenClosed)
{
    m_busyHint->Hide(std::move(whenClosed));
}

void TMainForm::LockUiForConversion(std::function<void()> whenReady)
{
    sbtnOpenDVD->setEnabled(false);
    sbtnOpenDir->setEnabled(false);
    const bool startFocused = imgStart->hasFocus();
    imgStart->hide();
    imgStop->show();
    if (startFocused)
        imgStop->setFocus(); // Space stops what Space started
    sbtnSegment->setEnabled(false);
    sbtnOptions->setEnabled(false);
    ltvTask->setEnabled(false);
    panPreview->setEnabled(false);
    ScrollBox1->setEnabled(false);
    if (m_preview)
        m_preview->StopPreview();
    ShowBusyHint(QStringLiteral("Preparing to convert. Please wait..."), [this, whenReady = std::move(whenReady)] {
        // The user may still change this while the conversion runs; the run reads it at the end.
        chkTurnoff->setChecked(m_settingForm && m_settingForm->chkTurnoff->isChecked());
        chkTurnoff->show();
        if (whenReady)
            whenReady();
    });
}

void TMainForm::UnlockUiAfterConversion(std::function<void()> whenDone)
{
    // The run removes its own intermediate file; the usual name may belong to another run.
    sbtnOpenDVD->setEnabled(true);
    sbtnOpenDir->setEnabled(true);
    const bool stopFocused = imgStop->hasFocus();
    imgStart->show();
    imgStop->hide();
    if (stopFocused)
        imgStart->setFocus();
    sbtnSegment->setEnabled(true);
    sbtnOptions->setEnabled(true);
    ltvTask->setEnabled(true);
    panPreview->setEnabled(true);
    ScrollBox1->setEnabled(true);
    HideBusyHint(std::move(whenDone));
}

namespace {

// A picture label laid anew: its picture drawn for the new size only when the size changed.
void PlaceLabel(QLabel *label, const QRect &geometry, QPixmap (*draw)(QSize))
{
    const bool redraw = label->size() != geometry.size() || label->pixmap().isNull();
    label->setGeometry(geometry);
    if (redraw && draw)
        label->setPixmap(draw(geometry.size()));
}

} // namespace

void TMainForm::FormResize()
{
    const int w = width();
    const int h = height();
    const int middle = h - kTopMargin - kBottomMargin;
    // The list gets most of a wider window, the preview the rest.
    const int right = qMax(kRightColumn, kRightColumn + (w - ClientWidth) * 2 / 5);
    const int mainWidth = w - kLeftMargin - kSplitter - right;
    PlaceLabel(panTopMargin, QRect(0, 0, w, kTopMargin), &Artwork::Margin);
    PlaceLabel(panBottomMargin, QRect(0, h - kBottomMargin, w, kBottomMargin), &Artwork::Margin);
    PlaceLabel(panLeftMargin, QRect(0, kTopMargin, kLeftMargin, middle), &Artwork::Margin);
    panMain->setGeometry(kLeftMargin, kTopMargin, mainWidth, middle);
    PlaceLabel(panSplitter, QRect(kLeftMargin + mainWidth, kTopMargin, kSplitter, middle), &Artwork::Margin);
    panProfile->setGeometry(w - right, kTopMargin, right, middle);
    LayOutRightColumn(right, middle);

    const int listHeight = middle - kToolbarHeight - kBottomHeight;
    ltvTask->setGeometry(0, 0, mainWidth, listHeight);
    PlaceLabel(panbg, ltvTask->geometry(), &Artwork::Cover);
    labProgramName->setGeometry(200, 60, mainWidth - 230, 56);
    PlaceLabel(Panel2, QRect(0, listHeight, mainWidth, kToolbarHeight), &Artwork::Toolbar);
    panBottom->setGeometry(0, listHeight + kToolbarHeight, mainWidth, kBottomHeight);
    PanHint->setGeometry((mainWidth - kHintWidth) / 2, listHeight - PanHint->height(), kHintWidth, PanHint->height());

    panBottomCenter->resize(mainWidth, panBottomCenter->height());
    panBottomLeft->resize(mainWidth, panBottomLeft->height());
    LayOutChoicesLine();
    LayOutFiguresLine();

    // Each field reaches to 2 pixels before the button right of it.
    bbtnSetting->move(panBottomCenter->width() - 90, bbtnSetting->y());
    cmbProfile->resize(bbtnSetting->x() - 2 - cmbProfile->x(), cmbProfile->height());
    bbtnOpen->move(panBottomCenter->width() - 90, bbtnOpen->y());
    bbtnBrowser->move(bbtnOpen->x() - 83, bbtnBrowser->y());
    edtOutputDir->resize(bbtnBrowser->x() - 2 - edtOutputDir->x(), edtOutputDir->height());

    auto progressRow = [&](QLabel *percent, QFrame *frame, QProgressBar *bar) {
        percent->move(panBottomLeft->width() - 25, percent->y());
        frame->resize(percent->x() - 5 - frame->x(), frame->height());
        bar->resize(frame->width() - 1, bar->height());
    };
    progressRow(labCurProgress, panCurrentFrame, pgbCurrent);
    progressRow(labTotalProgress, panTotalFrame, pgbTotal);

    TrackBar->resize(VideoWindow->width() - 4, TrackBar->height());
}

void TMainForm::LayOutRightColumn(int width, int height)
{
    // The picture keeps the shape it has at first and grows with the column, as long as
    // the grids keep room to be used.
    const int pictureWidth = width - kPreviewStrip;
    const int room = height - kPreviewButtons - kGridStrip - kStartStopHeight - kMinGridsHeight;
    const int pictureHeight = qMax(80, qMin(pictureWidth * 139 / 210, room));
    panPreview->setGeometry(0, 0, width, pictureHeight + kPreviewButtons);
    VideoWindow->setGeometry(0, 0, pictureWidth, pictureHeight);
    PlaceLabel(m_previewStrip, QRect(pictureWidth, 0, kPreviewStrip, pictureHeight), &Artwork::Margin);
    panPreviewButton->setGeometry(0, pictureHeight, width, kPreviewButtons);
    labEnd->move(pictureWidth - 2 - labEnd->width(), labEnd->y());
    labPreviewPlayTime->move(pictureWidth - 2 - labPreviewPlayTime->width(), labPreviewPlayTime->y());

    const int startStopTop = height - kStartStopHeight;
    ScrollBox1->setGeometry(0, panPreview->height(), width, startStopTop - kGridStrip - panPreview->height());
    PlaceLabel(m_gridStrip, QRect(0, startStopTop - kGridStrip, width, kGridStrip), &Artwork::Margin);
    Panel1->setGeometry(0, startStopTop, width, kStartStopHeight);
    PlaceLabel(Image10, QRect(0, 0, width, kStartStopHeight), &Artwork::StartStopBackground);
    for (QToolButton *b : {SpeedButton1, SpeedButton2, SpeedButton3})
        b->move(width - 34, b->y());
}

void TMainForm::LayOutChoicesLine()
{
    // Audio Track, Sub Title and Angle share the line; the two lists give and take width
    // in the measure they have at first, up to a width where nothing more shows.
    constexpr int gap = 6;
    constexpr int between = 13;
    const int left = cmbAudio->x();
    const int fixed = between + m_subCaption->width() + gap + between + m_angleCaption->width() + gap
                    + cmbAngle->width() + 4;
    const int share = qMax(120, panBottomCenter->width() - left - fixed);
    const int audio = qMin(300, share * 180 / 310);
    const int sub = qMin(220, share - share * 180 / 310);
    cmbAudio->resize(audio, cmbAudio->height());
    m_subCaption->move(cmbAudio->geometry().right() + between, m_subCaption->y());
    cmbSub->setGeometry(m_subCaption->x() + m_subCaption->width() + gap, cmbSub->y(), sub, cmbSub->height());
    m_angleCaption->move(cmbSub->geometry().right() + between, m_angleCaption->y());
    cmbAngle->move(m_angleCaption->x() + m_angleCaption->width() + gap, cmbAngle->y());
}

void TMainForm::LayOutFiguresLine()
{
    // Three caption and figure pairs, each beginning a third of the line further.
    QLabel *figures[] = {labFrame, labElapsed, labRemaining};
    const int step = (panBottomLeft->width() - 6) * 31 / 100;
    for (int i = 0; i < 3; ++i) {
        QLabel *caption = m_figureCaptions.at(i);
        caption->move(6 + i * step, caption->y());
        figures[i]->move(caption->x() + caption->width() + 8, figures[i]->y());
    }
}

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    const QSize stored = MainPreferences::WindowSize();
    if (stored.isValid())
        resize(stored.expandedTo(minimumSize()));
    OwnedWindows::KeepOnScreen(this); // the size first, then the place
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    OwnedWindows::KeepOnScreen(this);
    LoadMainPreferences();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // Closing is never refused, not even during a conversion.
    FormClose();
    event->accept();
}

void TMainForm::FormClose()
{
    try {
        SaveMainPreferences();
    } catch (const EQuarnelError &e) {
        // The window still closes; the user learns which file kept the old values.
        MessageBox::Error(this, e.text(), ProgramInfo::ProductName());
    }
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Image10 || watched == Image4) && event->type() == QEvent::MouseMove) {
        imgStart->ResetHover();
        imgStop->ResetHover();
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::bbtnOpenClick()
{
    ShellOpen::Open(edtOutputDir->text());
}

void TMainForm::SpeedButton1Click()
{
    // The help pages in our own viewer: Linux desktops have no viewer for the compiled help file.
    THelpWindow::ShowHelp(this, AppFolders::HelpFolder());
}

void TMainForm::SpeedButton2Click()
{
    if (m_aboutForm)
        m_aboutForm->show();
}

void TMainForm::SpeedButton3Click()
{
    ShellOpen::Open(ProgramInfo::WebsiteUrl());
}

void TMainForm::PopupMenu1Popup()
{
    const bool any = !TaskList->IsEmpty();
    pmiCheckAll->setEnabled(any);
    pmiUncheck->setEnabled(any);
    pmiDVDVolume->setEnabled(any);
}

void TMainForm::ltvTaskChange()
{
    const QModelIndex focused = ltvTask->currentIndex();
    const TTaskNodeData *entry = TaskList->Entry(focused);
    if (!entry)
        return;
    const TTaskNodeData *title = TaskList->Entry(TaskList->TitleOf(focused));
    auto fill = [](QComboBox *combo, const QStringList &items, int selected) {
        combo->clear();
        combo->addItems(items);
        combo->setCurrentIndex(selected >= 0 && selected < items.size() ? selected : -1);
    };
    QStringList angles;
    for (int i = 1; i <= title->AngleCount; ++i)
        angles << QString::number(i);
    cmbAudio->SetTracks(title->AudioTracks, ChosenAudioTracks(*entry));
    fill(cmbAudioLanguage, title->AudioLanguages, entry->AudioLanguageIndex);
    fill(cmbSub, title->Subtitles, entry->SubtitleIndex);
    fill(cmbAngle, angles, entry->AngleIndex);
}

void TMainForm::StoreChoice(int kind, int value)
{
    const QModelIndex focused = ltvTask->currentIndex();
    if (!TaskList->Entry(focused))
        return;
    TaskList->StoreChoice(focused, TTaskListModel::Choice(kind), value);
}

void TMainForm::StoreAudioTracks(const QList<int> &tracks)
{
    const QModelIndex focused = ltvTask->currentIndex();
    if (!TaskList->Entry(focused) || tracks.isEmpty())
        return;
    TaskList->StoreAudioTracks(focused, tracks);
    cmbAudioLanguage->setCurrentIndex(tracks.first());
}

bool TMainForm::KeepsSeveralSoundTracks() const
{
    // Before a profile is chosen nothing is left out yet.
    if (OutputExt().isEmpty())
        return true;
    const bool streamed = !m_settingForm || m_settingForm->ShownPreferences().StreamedIntermediate;
    return ::KeepsSeveralSoundTracks(OutputExt(), streamed);
}

void TMainForm::OpenDvdFolder(const QString &folder, const QString &volumeName)
{
    m_pendingOpenings.append(Opening{folder, volumeName});
    if (!m_opening)
        OpenNextDvd();
}

void TMainForm::OpenNextDvd()
{
    if (m_pendingOpenings.isEmpty()) {
        m_opening = false;
        return;
    }
    m_opening = true;
    const Opening opening = m_pendingOpenings.takeFirst();
    const QString folder = opening.folder;
    m_openingVolume = opening.volumeName;
    if (m_preview)
        m_preview->StopPreview();
    ShowBusyHint(QStringLiteral("Opening the DVD.   Please wait...."), [this, folder] {
        QTimer::singleShot(kOpeningPauseMs, this, [this, folder] {
            // Read on a worker: a drive spinning up must not freeze the window. Openings
            // asked for meanwhile wait in m_pendingOpenings.
            connect(m_dvdOpener, &DvdOpener::Finished, this, &TMainForm::DvdRead, Qt::SingleShotConnection);
            m_dvdOpener->Start(folder);
        });
    });
}

void TMainForm::DvdRead(const TDvdReading &reading)
{
    const QString error = reading.Error;
    const QStringList notes = reading.Notes;
    // A DVD that cannot be read leaves the open one as it was, with its checks and trims.
    const bool read = error.isEmpty();
    if (read) {
        panbg->hide();
        TaskList->Clear();
        for (QComboBox *combo : std::initializer_list<QComboBox *>{cmbAudio, cmbAudioLanguage, cmbSub, cmbAngle})
            combo->clear();
        DvdInfo.VolumeName = m_openingVolume;
        m_titleLoader->ApplyDvd(reading, *TaskList);
    }
    HideBusyHint([this, read, error, notes] {
        if (read) {
            // The longest title is checked and focused, its tracks and subtitles shown at once.
            const QModelIndex longest = TaskList->CheckLongestTitle();
            if (longest.isValid())
                ltvTask->setCurrentIndex(longest);
            const QModelIndex first = TaskList->index(0, 0);
            if (first.isValid())
                ltvTask->scrollTo(first, QAbstractItemView::PositionAtCenter);
            sbtnSegment->setEnabled(!TaskList->IsEmpty());
        }
        // Said once the list shows what could be read: what a damaged disc left out.
        if (!error.isEmpty())
            MessageBox::Error(this, (QStringList(error) + notes).join(QStringLiteral("\n\n")),
                              ProgramInfo::ProductName());
        else if (!notes.isEmpty())
            MessageBox::Show(this, notes.join(QStringLiteral("\n\n")), ProgramInfo::ProductName(),
                             MessageBox::Icon::Warning);
        emit DvdOpened();
        OpenNextDvd();
    });
}

void TMainForm::OpenItem(const QString &path)
{
    // The reading finds the DVD the path names (DvdSource::Location); messages name the path.
    if (QFileInfo::exists(path))
        OpenDvdFolder(path);
}

void TMainForm::CommandLineIntake(const QStringList &arguments)
{
    QStringList items = arguments;
    if (!arguments.isEmpty()
        && QFileInfo(arguments.first()).suffix().compare(QStringLiteral("tmp"), Qt::CaseInsensitive) == 0) {
        items.clear();
        QFile list(arguments.first());
        // A relative line names a place beside the list file, wherever the program started.
        const QDir listFolder = QFileInfo(list.fileName()).absoluteDir();
        if (list.open(QIODevice::ReadOnly | QIODevice::Text)) {
            QTextStream in(&list);
            while (!in.atEnd()) {
                const QString line = in.readLine();
                items << (line.isEmpty() ? line : listFolder.absoluteFilePath(line));
            }
        }
    }
    for (const QString &item : std::as_const(items))
        OpenItem(item);
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls() && ltvTask->isEnabled())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    // During a conversion the list is disabled and drops are ignored.
    if (!ltvTask->isEnabled() || !event->mimeData()->hasUrls())
        return;
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile())
        OpenItem(urls.first().toLocalFile());
    event->acceptProposedAction();
}

void TMainForm::sbtnOpenDVDClick()
{
    if (m_openDvdForm)
        m_openDvdForm->show();
}

void TMainForm::sbtnOpenDirClick()
{
    if (m_preview)
        m_preview->StopPreview();
    QString chosen;
    // Beside the last disc opened (its folder or its image's), else in the user's home; never
    // wherever the program happened to start.
    const QString last = QDir::cleanPath(DvdInfo.DvdPath);
    const QString start = DvdInfo.DvdPath.isEmpty() ? QDir::homePath() : QFileInfo(last).absolutePath();
    if (!FileChooser::BrowseForDvd(this, QStringLiteral("Please specify a DVD-ROM"), start, chosen))
        return;
    if (QFileInfo::exists(chosen))
        OpenDvdFolder(chosen);
}

void TMainForm::bbtnBrowserClick()
{
    QString folder;
    if (FileChooser::BrowseForFolder(this, QStringLiteral("Please specify a DVD-ROM"), QString(), QString(), folder)
        && QDir(folder).exists())
        edtOutputDir->setText(EnsureTrailingBackslash(folder));
}
