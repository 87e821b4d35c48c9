#include "TConversionRun.h"

#include "ConversionCommands.h"
#include "OptionBuilder.h"
#include "TConversionHost.h"
#include "app/AppFolders.h"
#include "app/PathText.h"
#include "app/PowerManager.h"
#include "dialogs/ProgramInfo.h"
#include "profiles/TParameterGrids.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

// Grids without rows, for a request that names none.
class TNoGrids : public TParameterGrids
{
public:
    bool FindRow(int, const QString &, QString &, QStringList &) const override { return false; }
};

const TParameterGrids &GridsOf(const TConversionRequest &request)
{
    static const TNoGrids none;
    return request.Grids ? *request.Grids : none;
}

} // namespace

TConversionRun::TConversionRun(TConversionHost &host, QObject *parent) : QObject(parent), m_host(host)
{
    qRegisterMetaType<TConversionProgress>();
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &TConversionRun::timerTimeTimer);
    // Start and end are handled from the event loop, never inside the runner's own calls.
    connect(&m_runner, &TProcessRunner::ToolStarted, this, &TConversionRun::OnToolStarted, Qt::QueuedConnection);
    connect(&m_runner, &TProcessRunner::ToolFailedToStart, this, &TConversionRun::OnToolFailedToStart, Qt::QueuedConnection);
    connect(&m_runner, &TProcessRunner::ToolFinished, this, &TConversionRun::OnToolFinished, Qt::QueuedConnection);
    connect(&m_runner, &TProcessRunner::ProgressChunk, this, &TConversionRun::OnProgressChunk);
    connect(&m_runner, &TProcessRunner::OutputChunk, this, [this](TProcessRunner::Slot, const QString &text) {
        if (m_active)
            emit ToolOutput(text);
    });
}

TConversionRun::~TConversionRun()
{
    if (m_active)
        Abort();
}

TConversionRun::StartCheck TConversionRun::CheckStart(const TConversionRequest &request)
{
    if (request.Entries.isEmpty())
        return StartCheck::NoEntryChecked;
    const QString folder = OutputFolderToCheck(request.OutputDirText);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return StartCheck::NoOutputFolder;
    if (!QFileInfo(request.ProfileFile).isFile())
        return StartCheck::NoProfile;
    return StartCheck::Ok;
}

void TConversionRun::StartCheckMessage(StartCheck check, QString &text, QString &caption)
{
    switch (check) {
    case StartCheck::NoEntryChecked:
        text = QStringLiteral("Please have Titles and Chapters you want to convert checked.");
        caption = QStringLiteral("No Title or Chapter checked");
        break;
    case StartCheck::NoOutputFolder:
        text = QStringLiteral("The output path does not exist. Please specify another one.");
        caption = QStringLiteral("Output path does not exist");
        break;
    case StartCheck::NoProfile:
        text = QStringLiteral("Please select a valid output profile.");
        caption = QStringLiteral("Profile");
        break;
    case StartCheck::Ok:
        text.clear();
        caption.clear();
        break;
    }
}

QString TConversionRun::FailureReport(const QList<Failure> &failures)
{
    QString text = failures.size() == 1 ? QStringLiteral("1 file could not be made:")
                                        : QStringLiteral("%1 files could not be made:").arg(failures.size());
    for (const Failure &f : failures)
        text += QLatin1Char('\n') + f.TargetFile + QStringLiteral(" (") + f.Reason + QLatin1Char(')');
    return text;
}

void TConversionRun::Start(const TConversionRequest &request)
{
    TMencOutputSettings &settings = MencOutputSettings();
    const QString options = BuildEncoderOptions(request.ProfileFile, GridsOf(request), settings);
    RunConversion(request, options, settings);
}

void TConversionRun::RunConversion(const TConversionRequest &request, const QString &encoderOptions,
                                   const TMencOutputSettings &settings)
{
    if (m_active)
        return;
    m_request = request;
    m_encoderOptions = encoderOptions;
    m_settings = settings;
    m_active = true;
    ++m_generation;
    m_failures.clear();
    m_madeFiles.clear();
    m_encoderCommandLine.clear();
    m_transcoderCommandLine.clear();
    m_targetFile.clear();

    double total = 0;
    for (const TConversionEntry &e : std::as_const(m_request.Entries))
        total += e.Data.End - e.Data.Start;
    m_figures.BeginRun(2 * total, m_request.Dvd.FrameRateFactor);
    m_publishedOnce = false;
    Publish();
    emit ProgressPanelShown(true);
    m_state = Running;

    m_outputFolder = EnsureTrailingBackslash(request.OutputDirText);
    if (!QFileInfo(AppFolders::WorkDir()).isDir())
        AppFolders::SetWorkDir(AppFolders::AppDir());
    m_intermediateFile = ClaimIntermediateFile();
    m_clock.start();

    m_index = -1;
    m_phase = Phase::Between;
    PostNextEntry();
}

void TConversionRun::PostNextEntry()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(this, [this, generation] {
        if (m_active && generation == m_generation)
            NextEntry();
    }, Qt::QueuedConnection);
}

void TConversionRun::NextEntry()
{
    if (m_state == CancelRequested) {
        CancelPath();
        return;
    }
    ++m_index;
    if (m_index >= m_request.Entries.size()) {
        Finish();
        return;
    }
    const TConversionEntry &entry = Entry();
    m_phase = Phase::Between;
    m_figures.BeginEntry(entry.Data.End - entry.Data.Start);
    Publish();

    m_targetFile = TargetFileName(m_outputFolder, m_request.Dvd.VolumeName, entry.Data.OutputName, m_request.OutputExt);
    emit EntryStarted(m_index);
    m_encoderCommand = TToolCommand(AppFolders::EncoderExe());
    QString problem;
    if (!BuildEncoderCommand(entry, m_request.Dvd.DvdPath, m_encoderOptions, m_settings, m_encoderCommand, problem)) {
        EntryFailed(problem);
        return;
    }

    const QFileInfo target(m_targetFile);
    if (target.exists() || target.isSymLink()) {
        switch (m_request.Preferences.Existing) {
        case TConversionPreferences::WhenExists::Ask:
            if (!m_host.AskOverwrite(OverwriteQuestion(m_targetFile), QStringLiteral("Output File Exists"))) {
                if (m_active)
                    EntryDone(EntryResult::Skipped);
                return;
            }
            break;
        case TConversionPreferences::WhenExists::Skip:
            EntryDone(EntryResult::Skipped);
            return;
        case TConversionPreferences::WhenExists::Rename:
            m_targetFile = RenamedTargetFile(m_targetFile, m_request.OutputExt);
            break;
        case TConversionPreferences::WhenExists::Overwrite:
            break;
        }
        if (!m_active)
            return; // the window closed while the question was open
    }

    // The work folder falls back to the program folder for the rest of the program's run.
    if (!QFileInfo(AppFolders::WorkDir()).isDir())
        AppFolders::SetWorkDir(AppFolders::AppDir());
    m_intermediateFile = ClaimIntermediateFile();

    // The pre-pass writes nothing useful; its file is the intermediate one, removed after it.
    m_phase = Phase::Prepass;
    m_runner.RunTitlePrepass(BuildPrepassCommand(AppFolders::EncoderExe(), entry.TitleNumber,
                                                 PrepassDrive(m_request.Dvd.DvdPath), m_intermediateFile));
}

void TConversionRun::StartEncoderPass()
{
    DeleteIntermediate(); // what the pre-pass may have left
    if (m_state == CancelRequested) {
        CancelPath();
        return;
    }
    TToolCommand command = m_encoderCommand;
    command.Add(QStringLiteral("-o")).AddQuoted(m_intermediateFile);
    m_encoderCommandLine = command.Text();
    m_lastEncoderCommand = command;
    emit CommandLineChanged(m_encoderCommandLine);
    m_phase = Phase::EncoderPass;
    m_runner.RunEncoderPass(command);
}

void TConversionRun::StartTranscoderPass()
{
    const TTranscoderOptions options = TranscoderOptionPieces(m_request.ProfileFile, GridsOf(m_request));
    const TToolCommand command = BuildTranscoderCommand(AppFolders::TranscoderExe(), m_intermediateFile, options, m_targetFile);
    m_transcoderCommandLine = command.Text();
    m_lastTranscoderCommand = command;
    m_figures.BeginTranscoder();
    m_phase = Phase::TranscoderPass;
    m_runner.RunTranscoder(command);
}

void TConversionRun::OnToolStarted(TProcessRunner::Slot slot)
{
    if (!m_active || slot != TProcessRunner::Encoder || m_phase != Phase::EncoderPass)
        return;
    emit HintChanged(ConvertingHint(m_request.Dvd.VolumeName, Entry().Data.OutputName, m_request.OutputExt));
}

void TConversionRun::OnToolFailedToStart(TProcessRunner::Slot slot)
{
    if (!m_active)
        return;
    switch (m_phase) {
    case Phase::Prepass:
        // The encoder pass uses the same program and reports it; one message is enough.
        StartEncoderPass();
        break;
    case Phase::EncoderPass:
        m_clock.stop();
        m_host.ReportStartFailure(QStringLiteral("Error. Please re-install ") + ProgramInfo::ProductName());
        if (!m_active)
            return;
        // Back to the choices, so that the folder and profile stay within reach.
        emit ProgressPanelShown(false);
        End(Outcome::EncoderMissing);
        break;
    case Phase::TranscoderPass:
        Q_UNUSED(slot);
        m_host.ReportStartFailure(QStringLiteral("Error"));
        if (!m_active)
            return;
        EntryFailed(QStringLiteral("the converter could not be started"));
        break;
    default:
        break;
    }
}

void TConversionRun::OnToolFinished(TProcessRunner::Slot slot, TProcessRunner::Result result)
{
    if (!m_active)
        return;
    if (m_phase == Phase::Prepass && slot == TProcessRunner::Encoder) {
        // The pre-pass is expected to fail; its status means nothing.
        StartEncoderPass();
    } else if (m_phase == Phase::EncoderPass && slot == TProcessRunner::Encoder) {
        if (m_state == CancelRequested) {
            CancelPath();
        } else if (!result.Succeeded()) {
            EntryFailed(result.Crashed ? QStringLiteral("the encoder stopped abnormally")
                                       : QStringLiteral("the encoder ended with status %1").arg(result.ExitCode));
        } else if (!QFileInfo(m_intermediateFile).isFile()) {
            EntryFailed(QStringLiteral("the encoder wrote no file"));
        } else {
            StartTranscoderPass();
        }
    } else if (m_phase == Phase::TranscoderPass && slot == TProcessRunner::Transcoder) {
        if (m_state == CancelRequested) {
            m_figures.EntryFinished();
            Publish();
            CancelPath();
        } else if (!result.Succeeded()) {
            EntryFailed(result.Crashed ? QStringLiteral("the converter stopped abnormally")
                                       : QStringLiteral("the converter ended with status %1").arg(result.ExitCode));
        } else if (!QFileInfo(m_targetFile).isFile()) {
            EntryFailed(QStringLiteral("the converter wrote no file"));
        } else {
            m_madeFiles << m_targetFile;
            EntryDone(EntryResult::Made);
        }
    }
}

void TConversionRun::EntryFailed(const QString &reason)
{
    m_failures << Failure{m_targetFile, reason};
    EntryDone(EntryResult::Failed);
}

void TConversionRun::EntryDone(EntryResult result)
{
    if (result != EntryResult::Skipped)
        m_figures.EntryFinished();
    // Done, skipped or failed, the entry's whole share counts, so the total bar reaches 100 %.
    m_figures.CountEntryDone();
    Publish();
    emit EntryFinished(m_index, result);
    if (!m_active)
        return;
    m_phase = Phase::Between;
    PostNextEntry();
}

void TConversionRun::OnProgressChunk(TProcessRunner::Slot slot, int, const QString &text)
{
    if (!m_active)
        return;
    if (slot == TProcessRunner::Encoder && m_phase == Phase::EncoderPass)
        m_figures.EncoderChunk(text);
    else if (slot == TProcessRunner::Transcoder && m_phase == Phase::TranscoderPass)
        m_figures.TranscoderChunk(text);
    else
        return;
    Publish();
}

void TConversionRun::timerTimeTimer()
{
    if (!m_active)
        return;
    m_figures.Tick();
    Publish();
}

void TConversionRun::imgStopClick()
{
    if (!m_active || m_state != Running || m_phase == Phase::Finishing)
        return;
    m_state = CancelRequested;
    m_runner.KillEncoder();
    m_runner.KillTranscoder();
    // Between two tools nothing is killed; the next step sees the request.
}

void TConversionRun::Finish()
{
    m_phase = Phase::Finishing;
    m_figures.RunComplete();
    Publish();
    DeleteIntermediate();
    m_clock.stop();
    const quint64 generation = m_generation;
    m_host.HideBusyHint([this, generation] {
        if (m_active && generation == m_generation)
            FinishingAction();
    });
}

void TConversionRun::FinishingAction()
{
    if (m_host.TurnOffChecked()) {
        emit HintChanged(QStringLiteral("Conversion is completed. Turning off the computer..."));
        PowerManager::Instance().PowerOff();
        End(Outcome::Completed);
        m_host.CloseMainWindow();
        return;
    }
    if (m_request.Preferences.ExitWhenDone) {
        // Leaving quietly would hide the files that are missing.
        if (!m_failures.isEmpty())
            m_host.Warn(FailureReport(m_failures), QStringLiteral("Conversion incomplete"));
        End(Outcome::Completed);
        m_host.CloseMainWindow();
        return;
    }
    if (m_failures.isEmpty())
        m_host.Inform(QStringLiteral("The conversion is completed successfully."), QStringLiteral("Complete"));
    else
        m_host.Warn(FailureReport(m_failures), QStringLiteral("Conversion incomplete"));
    if (!m_active)
        return;
    if (m_request.Preferences.OpenFolderWhenDone && !m_madeFiles.isEmpty())
        m_host.OpenFolder(m_request.OutputDirText);
    m_state = Idle;
    emit ProgressPanelShown(false);
    End(Outcome::Completed);
}

void TConversionRun::CancelPath()
{
    m_phase = Phase::Finishing;
    m_clock.stop();
    m_runner.KillEncoder();
    m_runner.KillTranscoder();
    DeleteIntermediate();
    m_host.Inform(QStringLiteral("The conversion is canceled."), QStringLiteral("Cancel"));
    if (!m_active)
        return;
    emit ProgressPanelShown(false);
    End(Outcome::Cancelled);
}

void TConversionRun::End(Outcome outcome)
{
    m_intermediateLock.reset();
    m_active = false;
    m_phase = Phase::Idle;
    ++m_generation;
    emit Finished(outcome);
}

void TConversionRun::Abort()
{
    if (!m_active)
        return;
    m_state = CancelRequested;
    m_clock.stop();
    m_runner.StopAll();
    DeleteIntermediate();
    End(Outcome::Aborted);
}

void TConversionRun::Publish()
{
    if (m_publishedOnce && m_figures.Progress() == m_published)
        return;
    m_publishedOnce = true;
    m_published = m_figures.Progress();
    emit ProgressChanged(m_published);
}

QString TConversionRun::ClaimIntermediateFile()
{
    const QString usual = QFileInfo(AppFolders::IntermediateFile()).absoluteFilePath();
    if (m_intermediateLock && m_claimedFor == usual)
        return m_intermediateFile;
    // A second window or script converting at the same time would write into the same
    // file and delete it under the other's feet; the lock tells them apart.
    m_claimedFor = usual;
    m_intermediateLock = std::make_unique<QLockFile>(usual + QStringLiteral(".lock"));
    m_intermediateLock->setStaleLockTime(0); // only a lock of a process that is gone is stale
    if (m_intermediateLock->tryLock(0))
        return usual;
    const QFileInfo info(usual);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-')
           + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('.') + info.suffix();
}

void TConversionRun::DeleteIntermediate()
{
    if (!m_intermediateFile.isEmpty() && QFileInfo::exists(m_intermediateFile))
        QFile::remove(m_intermediateFile);
}
