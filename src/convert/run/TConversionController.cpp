#include "convert/run/TConversionController.h"

#include "core/AppFolders.h"
#include "core/DesktopNotifier.h"
#include "core/MessageBox.h"
#include "core/OutputExt.h"
#include "core/ProgramInfo.h"
#include "core/ShellOpen.h"
#include "core/TBusyHint.h"
#include "core/TDVDInformation.h"
#include "core/TImageButton.h"
#include "profiles/MainPreferences.h"
#include "tasklist/TTaskListModel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>

TConversionController::TConversionController(const TConversionPanel &panel, QObject *parent)
    : QObject(parent ? parent : panel.window)
    , m_main(panel)
    , m_run(*this)
{
    connect(panel.imgStart, &TImageButton::clicked, this, &TConversionController::imgStartClick);
    connect(panel.imgStop, &TImageButton::clicked, this, &TConversionController::imgStopClick);
    connect(&m_run, &TConversionRun::ProgressChanged, this, &TConversionController::ShowProgress);
    connect(&m_run, &TConversionRun::ProgressPanelShown, this, [this](bool shown) {
        m_main.panBottomLeft->setVisible(shown);
        m_main.panBottomCenter->setVisible(!shown);
    });
    connect(&m_run, &TConversionRun::HintChanged, m_main.labHint, &QLabel::setText);
    connect(&m_run, &TConversionRun::CommandLineChanged, m_main.Memo2, &QPlainTextEdit::setPlainText);
    connect(&m_run, &TConversionRun::ToolOutput, this, [this](const QString &text) {
        // Tools write many small chunks; the hidden box needs only the last one.
        m_lastOutput = text;
        if (m_outputPending)
            return;
        m_outputPending = true;
        QTimer::singleShot(0, this, [this] {
            m_outputPending = false;
            m_main.Memo1->setPlainText(m_lastOutput);
        });
    });
    connect(&m_run, &TConversionRun::Finished, this, &TConversionController::OnFinished);
    m_main.window->installEventFilter(this);
}

TConversionController::~TConversionController()
{
    m_run.Abort();
}

TConversionPreferences TConversionController::ReadPreferences(const QAbstractButton *rdbAsk,
                                                              const QAbstractButton *rdbRename,
                                                              const QAbstractButton *chkExit,
                                                              const QAbstractButton *chkOpenDir)
{
    TConversionPreferences p;
    if (rdbAsk && rdbAsk->isChecked())
        p.Existing = TConversionPreferences::WhenExists::Ask;
    else if (rdbRename && rdbRename->isChecked())
        p.Existing = TConversionPreferences::WhenExists::Rename;
    else
        p.Existing = TConversionPreferences::WhenExists::Overwrite;
    p.ExitWhenDone = chkExit && chkExit->isChecked();
    p.OpenFolderWhenDone = chkOpenDir && chkOpenDir->isChecked();
    return p;
}

TConversionRequest TConversionController::CurrentRequest() const
{
    TConversionRequest request;
    request.Entries = CollectCheckedEntries(*m_main.TaskList, DvdInfo.DvdPath);
    request.OutputDirText = m_main.edtOutputDir->text();
    request.ProfileFile = MainPreferences::ProfileFile(m_main.cmbProfile->currentText());
    request.Grids = m_grids;
    request.Dvd = DvdInfo;
    request.OutputExt = OutputExt();
    if (m_preferences)
        request.Preferences = m_preferences();
    return request;
}

void TConversionController::imgStartClick()
{
    if (m_busy || m_run.IsActive())
        return;
    if (!CurrentRequest().Entries.isEmpty() && !OutputFolderReady())
        return;
    const TConversionRequest request = CurrentRequest();
    const TStartCheck check = CheckStart(request);
    if (check != TStartCheck::Ok) {
        QString text, caption;
        StartCheckMessage(check, request, text, caption);
        MessageBox::Information(m_main.window, text, caption);
        if (check == TStartCheck::NoOutputFolder)
            m_main.edtOutputDir->setFocus();
        else if (check == TStartCheck::NoProfile
                 || check == TStartCheck::ProfileUnreadable
                 || check == TStartCheck::ProfileValues)
            m_main.cmbProfile->setFocus();
        return;
    }
    m_busy = true;
    m_closing = false;
    m_stopBeforeStart = false;
    m_main.LockUiForConversion([this, request] {
        if (m_closing)
            return; // the window closed while the hint opened
        m_run.Start(request);
        if (m_stopBeforeStart)
            m_run.RequestStop(); // the run's first step takes the cancel path
    });
}

bool TConversionController::OutputFolderReady()
{
    const QString typed = m_main.edtOutputDir->text();
    const QString folder = QDir::cleanPath(typed);
    // Only a full path is made; anything else, or a file in the way, the start check reports.
    if (typed.isEmpty() || !QDir::isAbsolutePath(folder) || QFileInfo::exists(folder) || QFileInfo(folder).isSymLink())
        return true;
    const QString caption = QStringLiteral("Output path does not exist");
    if (!MessageBox::Question(m_main.window,
                              QStringLiteral("The output folder %1 does not exist. Do you want to create it?").arg(folder),
                              caption)) {
        m_main.edtOutputDir->setFocus();
        return false;
    }
    if (!QDir().mkpath(folder)) {
        MessageBox::Information(m_main.window, QStringLiteral("The output folder %1 cannot be created.").arg(folder),
                                caption);
        m_main.edtOutputDir->setFocus();
        return false;
    }
    return true;
}

void TConversionController::imgStopClick()
{
    // Stop shows as soon as Start is pressed, while the hint still opens.
    if (m_busy && !m_run.IsActive())
        m_stopBeforeStart = true;
    m_run.RequestStop();
}

void TConversionController::ShowProgress(const TConversionProgress &progress)
{
    // Seen on the task bar while the window is covered.
    if (m_busy)
        m_main.window->setWindowTitle(progress.TotalProgressText + QStringLiteral(" - ") + ProgramInfo::MainCaption());
    m_main.pgbCurrent->setValue(progress.CurrentBar);
    m_main.pgbTotal->setValue(progress.TotalBar);
    m_main.labCurProgress->setText(progress.CurProgressText);
    m_main.labTotalProgress->setText(progress.TotalProgressText);
    m_main.labFrame->setText(progress.FrameText);
    m_main.labElapsed->setText(progress.ElapsedText);
    m_main.labRemaining->setText(progress.RemainingText);
}

void TConversionController::OnFinished(TConversionRun::Outcome outcome)
{
    m_main.window->setWindowTitle(ProgramInfo::MainCaption());
    if (outcome == TConversionRun::Outcome::Aborted) {
        m_busy = false;
        return; // the window is going
    }
    m_main.UnlockUiAfterConversion([this, outcome] {
        m_busy = false;
        emit ConversionEnded(outcome);
    });
}

bool TConversionController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_main.window && event->type() == QEvent::Close) {
        // Minutes of work are not thrown away by one click on the close box.
        if (m_run.IsActive() && !m_closing
            && !MessageBox::Question(m_main.window, QStringLiteral("A conversion is running. Stop it and quit?"),
                                     ProgramInfo::ProductName())) {
            event->ignore();
            return true;
        }
        // The close goes on (the window saves its preferences itself); no tool outlives it.
        m_closing = true;
        m_run.Abort();
    }
    return QObject::eventFilter(watched, event);
}

void TConversionController::Inform(const QString &text, const QString &caption)
{
    MessageBox::Information(m_main.window, text, caption);
}

void TConversionController::Warn(const QString &text, const QString &caption)
{
    MessageBox::Show(m_main.window, text, caption, MessageBox::Icon::Warning);
}

void TConversionController::ReportStartFailure(const QString &text)
{
    MessageBox::Show(m_main.window, text, ProgramInfo::ProductName(), MessageBox::Icon::Error);
}

TOverwriteAnswer TConversionController::AskOverwrite(const QString &text, const QString &caption)
{
    switch (MessageBox::Show(m_main.window, text, caption, MessageBox::Icon::Question,
                             QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll)) {
    case QMessageBox::Yes:
        return TOverwriteAnswer::Yes;
    case QMessageBox::YesToAll:
        return TOverwriteAnswer::YesToAll;
    case QMessageBox::NoToAll:
        return TOverwriteAnswer::NoToAll;
    default: // No, or the box closed
        return TOverwriteAnswer::No;
    }
}

bool TConversionController::TurnOffChecked() const
{
    return m_main.chkTurnoff->isChecked();
}

void TConversionController::OpenFolder(const QString &folder)
{
    ShellOpen::Open(folder);
}

void TConversionController::HideBusyHint(std::function<void()> whenClosed)
{
    m_main.hint->Hide(std::move(whenClosed));
}

void TConversionController::AnnounceEnd(const QString &summary)
{
    DesktopNotifier::Instance().Notify(ProgramInfo::ProductName(), summary);
}

void TConversionController::CloseMainWindow()
{
    m_main.window->close();
}
