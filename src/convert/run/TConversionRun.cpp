#include "convert/run/TConversionRun.h"

#include "convert/commands/OptionBuilder.h"
#include "convert/commands/PictureFit.h"
#include "convert/commands/StreamedConversion.h"
#include "convert/run/FreeSpace.h"
#include "convert/run/OutputChecks.h"
#include "convert/run/RunTexts.h"
#include "convert/run/TConversionHost.h"
#include "convert/run/TargetFiles.h"
#include "convert/tools/ToolOutput.h"
#include "core/AppFolders.h"
#include "core/PathText.h"
#include "core/PowerManager.h"
#include "core/ProgramInfo.h"
#include "core/TimeText.h"
#include "profiles/PrivateProfile.h"
#include "profiles/TIniFile.h"
#include "profiles/TParameterGrids.h"
#include "profiles/TProfile.h"
#include "tasklist/TargetNames.h"

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
    connect(&m_runner, &TProcessRunner::ToolFailedToStart, this, &TConversionRun::OnToolFailedToStart,
            Qt::QueuedConnection);
    connect(&m_runner, &TProcessRunner::ToolFinished, this, &TConversionRun::OnToolFinished, Qt::QueuedConnection);
    connect(&m_runner, &TProcessRunner::ProgressChunk, this, &TConversionRun::OnProgressChunk);
    connect(&m_runner, &TProcessRunner::OutputChunk, this, [this](TProcessRunner::Slot slot, const QString &text) {
        if (!m_active)
            return;
        m_watch.Output(slot, text);
        emit ToolOutput(text);
    });
    connect(&m_probe, &TMediaProbe::Finished, this, &TConversionRun::OnProbeFinished, Qt::QueuedConnection);
    connect(&m_source, &TSourceProbe::Finished, this, &TConversionRun::OnSourceRead);
    connect(&m_subtitles, &TSubtitleExtraction::Finished, this, &TConversionRun::OnSubtitlesRead);
    connect(&m_span, &TSpanStreaming::Finished, this, &TConversionRun::OnSpanRead);
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
    // Converting with the encoder's defaults instead of the chosen settings would make a
    // file nobody asked for.
    QFile profile(request.ProfileFile);
    if (!profile.open(QIODevice::ReadOnly) || TProfile::Read(TIniFile(request.ProfileFile)).Parameters.isEmpty())
        return StartCheck::ProfileUnreadable;
    QString problem;
    if (!CheckProfileValues(request.ProfileFile, GridsOf(request), problem))
        return StartCheck::ProfileValues;
    return StartCheck::Ok;
}

void TConversionRun::StartCheckMessage(StartCheck check, const TConversionRequest &request, QString &text,
                                       QString &caption)
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
    case StartCheck::ProfileUnreadable:
        text = QFileInfo(request.ProfileFile).size() > PrivateProfile::MaxFileBytes
                 ? QStringLiteral("The profile %1 cannot be read: it is larger than 1 MB. Please select another one.")
                       .arg(request.ProfileFile)
                 : QStringLiteral("The profile %1 cannot be read. Please select another one.").arg(request.ProfileFile);
        caption = QStringLiteral("Profile");
        break;
    case StartCheck::ProfileValues:
        CheckProfileValues(request.ProfileFile, GridsOf(request), text);
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

QString TConversionRun::NothingMadeMessage()
{
    return QStringLiteral("No file was made: the output files of all entries exist already.");
}

void TConversionRun::Start(const TConversionRequest &request)
{
    TMencOutputSettings settings;
    const QString options =
        BuildEncoderOptions(request.ProfileFile, GridsOf(request), settings,
                            request.Preferences.HighQualityIntermediate, request.Preferences.StreamedIntermediate);
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
    m_skippedCount = 0;
    m_scanTypes.clear();
    m_partialFile.clear();
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
        AppFolders::SetWorkDir(AppFolders::FallbackWorkDir());
    m_intermediateFile = ClaimIntermediateFile();
    m_runner.SetToolFolder(QFileInfo(m_intermediateFile).absolutePath());
    m_clock.start();

    m_index = -1;
    m_phase = Phase::Between;
    PostNextEntry();
}

void TConversionRun::PostNextEntry()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (m_active && generation == m_generation)
                NextEntry();
        },
        Qt::QueuedConnection);
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
    // Times and frame size checked now; the command itself is built once the disc has been
    // read for the entry.
    TToolCommand checked(AppFolders::EncoderExe());
    QString problem;
    m_timeline = EntryTimeline(entry, TStreamStart());
    if (!BuildEncoderCommand(entry, m_timeline, m_request.Dvd.DvdPath, m_encoderOptions, m_settings,
                             TPictureTreatment(), checked, problem)) {
        EntryFailed(problem);
        return;
    }

    // The rule decides again when the file takes its name: another run may have taken it
    // in the meantime.
    m_claimName = m_targetFile;
    switch (m_request.Preferences.Existing) {
    case TConversionPreferences::WhenExists::Ask:
        m_claim = Claim::AskIfTaken;
        break;
    case TConversionPreferences::WhenExists::Skip:
        m_claim = Claim::KeepExisting;
        break;
    case TConversionPreferences::WhenExists::Rename:
        m_claim = Claim::NextFree;
        break;
    case TConversionPreferences::WhenExists::Overwrite:
        m_claim = Claim::Replace;
        break;
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
            m_claim = Claim::Replace;
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

    if (m_claim == Claim::Replace && QFileInfo(m_targetFile).isDir() && !QFileInfo(m_targetFile).isSymLink()) {
        EntryFailed(QStringLiteral("a folder has the file's name"));
        return;
    }

    // The work folder falls back to the program folder for the rest of the program's run.
    if (!QFileInfo(AppFolders::WorkDir()).isDir())
        AppFolders::SetWorkDir(AppFolders::FallbackWorkDir());
    m_intermediateFile = ClaimIntermediateFile();
    m_runner.SetToolFolder(QFileInfo(m_intermediateFile).absolutePath());

    // The converter's options, built afresh for each entry. Room for the intermediate file (at
    // the encoder's video bitrate, PCM sound) and the target (at the profile's bitrates,
    // generous where the profile names none).
    m_transcoderOptions = TranscoderOptionPieces(m_request.ProfileFile, GridsOf(m_request));
    const double length = entry.Data.End - entry.Data.Start;
    // The encoder's picture: the profile's frame, else the DVD's.
    TPictureFit fit;
    if (!FitPicture(m_settings, entry.Aspect, fit)) {
        fit.Width = 720;
        fit.Height = m_request.Dvd.Standard == u"NTSC" ? 480 : 576;
    }
    const double frameRate = m_request.Dvd.FrameRateFactor > 0 ? m_request.Dvd.FrameRateFactor / 1000.0 : 25.0;
    const double encoderKbps = IntermediateKbps(m_request.Preferences.HighQualityIntermediate, m_settings.VideoBitrate,
                                                fit.Width, fit.Height, frameRate);
    const double targetKbps = ArgumentBitrateKbps(m_transcoderOptions.Arguments, true, 8000.0)
                            + ArgumentBitrateKbps(m_transcoderOptions.Arguments, false, 640.0);
    // Streamed, the intermediate is a pipe and takes no room.
    const qint64 encoderBytes = m_settings.RawPicture ? 0 : EstimatedBytes(length, encoderKbps);
    const QString room = CheckRoom(QFileInfo(m_intermediateFile).absolutePath(), encoderBytes,
                                   QFileInfo(m_targetFile).absolutePath(), EstimatedBytes(length, targetKbps));
    if (!room.isEmpty()) {
        EntryFailed(room);
        return;
    }

    StartReadingSource();
}

void TConversionRun::StartReadingSource()
{
    const TConversionEntry &entry = Entry();
    m_phase = Phase::ReadingSource;
    m_source.Detect(m_request.Dvd.DvdPath, entry.TitleNumber, m_scanTypes.contains(entry.TitleNumber),
                    StartProgramHint(entry), TimeTextToSeconds(entry.Data.StartText), entry.AudioId,
                    QFileInfo(m_intermediateFile).absolutePath(), AppFolders::TranscoderExe(),
                    m_request.Preferences.StallSeconds * 1000);
}

void TConversionRun::OnSourceRead(const TSourceProbe::Result &result)
{
    if (!m_active || m_phase != Phase::ReadingSource)
        return;
    if (m_state == CancelRequested) {
        CancelPath();
        return;
    }
    const TConversionEntry &entry = Entry();
    if (!m_scanTypes.contains(entry.TitleNumber)) {
        m_scanTypes.insert(entry.TitleNumber, result.Scan);
        emit ToolOutput(
            QStringLiteral("Title %1: %2 (%3)\n").arg(entry.TitleNumber).arg(ScanTypeText(result.Scan), result.How));
    }
    m_timeline = EntryTimeline(entry, result.Start);
    m_programStarts = result.Start.ProgramStarts;
    m_treatment = PictureTreatment(m_scanTypes.value(entry.TitleNumber), m_settings.Deinterlace);
    // At the title's start pullup finds no field before the first film frame and drops it.
    if (m_treatment.FilmRate && m_scanTypes.value(entry.TitleNumber) == TScanType::HardFilm && m_timeline.Program == 0)
        m_timeline.PictureLate = 1001.0 / 24000.0;
    m_subtitleIndex.clear();
    if (WantsSubtitleFile()) {
        m_phase = Phase::ReadingSubtitles;
        m_subtitles.Start(m_request.Dvd.DvdPath, entry.TitleNumber, entry.SubtitleStream, m_timeline.Start,
                          m_timeline.End, m_timeline.ClockScale, m_intermediateFile + QStringLiteral(".subtitles"));
        return;
    }
    StartPrepass();
}

bool TConversionRun::WantsSubtitleTrack() const
{
    return m_request.Preferences.SubtitleTrack && Entry().SubtitleStream >= 0
        && ContainerTakesSubtitleTrack(m_request.OutputExt);
}

bool TConversionRun::WantsSubtitleFile() const
{
    // Streamed, the converter lays a burnt-in subtitle on the picture itself.
    return WantsSubtitleTrack() || (m_settings.RawPicture && Entry().SubtitleStream >= 0);
}

void TConversionRun::OnSubtitlesRead(const TSubtitleTrack &track)
{
    if (!m_active || m_phase != Phase::ReadingSubtitles)
        return;
    if (m_state == CancelRequested) {
        CancelPath();
        return;
    }
    if (!track.Problem.isEmpty()) {
        EntryFailed(QStringLiteral("its subtitle cannot be read: ") + track.Problem);
        return;
    }
    emit ToolOutput(QStringLiteral("Subtitle track: %1 subtitles\n").arg(track.Subtitles));
    // A span without a subtitle gets no empty track.
    if (track.Subtitles > 0)
        m_subtitleIndex = m_intermediateFile + QStringLiteral(".subtitles.idx");
    StartPrepass();
}

void TConversionRun::StartPrepass()
{
    if (m_state == CancelRequested) {
        CancelPath();
        return;
    }
    // The pre-pass writes nothing useful; its file is the intermediate one, removed after it.
    m_phase = Phase::Prepass;
    m_watch.Begin(TProcessRunner::Encoder, true);
    m_runner.RunTitlePrepass(BuildPrepassCommand(AppFolders::EncoderExe(), Entry().TitleNumber,
                                                 PrepassDrive(m_request.Dvd.DvdPath), m_intermediateFile));
}

void TConversionRun::StartEncoderPass()
{
    m_intermediateVideoEnd = 0;
    // What the pre-pass may have left; the subtitle track stays for the converter.
    if (QFileInfo::exists(m_intermediateFile))
        QFile::remove(m_intermediateFile);
    if (m_state == CancelRequested) {
        CancelPath();
        return;
    }
    if (m_settings.RawPicture) {
        StartStreamedPass();
        return;
    }
    // The command again, now with what the disc says of the entry's start and pictures.
    TToolCommand command(AppFolders::EncoderExe());
    QString problem;
    TConversionEntry entry = Entry();
    if (WantsSubtitleTrack()) {
        // Kept as a track, the subtitle is not burnt in as well.
        entry.Data.SubtitleIndex = 0;
        entry.SubtitleStream = -1;
    }
    BuildEncoderCommand(entry, m_timeline, m_request.Dvd.DvdPath, m_encoderOptions, m_settings, m_treatment, command,
                        problem);
    m_figures.SetEntryFrameRate(IntermediateFrameRate() * 1000);
    m_figures.SetEncoderReading(m_timeline.End - m_timeline.ProgramStart + kEncoderOverrun);
    Publish();
    command.Add(QStringLiteral("-o")).AddQuoted(m_intermediateFile);
    m_encoderCommandLine = command.Text();
    m_lastEncoderCommand = command;
    emit CommandLineChanged(m_encoderCommandLine);
    m_phase = Phase::EncoderPass;
    m_watch.Begin(TProcessRunner::Encoder, false);
    m_runner.RunEncoderPass(command);
}

bool TConversionRun::PreparePartialFile()
{
    QString error;
    for (const QString &stale : RemoveStalePartialFiles(QFileInfo(m_targetFile).absolutePath()))
        emit ToolOutput(QStringLiteral("Removed %1, left by a run that was ended outright\n").arg(stale));
    m_partialFile = CreatePartialFile(m_targetFile, error);
    if (m_partialFile.isEmpty()) {
        EntryFailed(
            QStringLiteral("no file can be written in %1 (%2)").arg(QFileInfo(m_targetFile).absolutePath(), error));
        return false;
    }
    return true;
}

QString TConversionRun::WriteChapterMarks()
{
    // The chapters as marks, where the container holds them; a file beside the intermediate.
    if (!m_request.Preferences.ChapterMarks || !ContainerTakesMarks(m_request.OutputExt))
        return {};
    const QString text = ChapterMarksText(m_programStarts, m_timeline);
    QFile file(m_intermediateFile + QStringLiteral(".chapters"));
    if (!text.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(text.toUtf8()) == text.toUtf8().size() && file.flush())
        return file.fileName();
    return {};
}

bool TConversionRun::PrepareTranscoder(TToolCommand &command)
{
    // Built for this entry when it began (the room check reads its bitrates).
    FitTranscoderToFrame(m_transcoderOptions, m_settings, Entry().Aspect);
    CutTranscoderToEntry(m_transcoderOptions, m_timeline, IntermediateFrameRate(), m_intermediateVideoEnd);
    RaiseSound(m_transcoderOptions);
    if (!PreparePartialFile())
        return false;
    command = BuildTranscoderCommand(AppFolders::TranscoderExe(), m_intermediateFile, m_transcoderOptions,
                                     m_partialFile, WriteChapterMarks(), m_subtitleIndex);
    m_transcoderCommandLine = command.Text();
    m_lastTranscoderCommand = command;
    m_figures.BeginTranscoder();
    return true;
}

void TConversionRun::StartStreamedPass()
{
    const TConversionEntry &entry = Entry();
    const bool ntsc = m_request.Dvd.Standard == u"NTSC";
    TTitleSpanReader::Span span;
    span.TitleNumber = entry.TitleNumber;
    span.Start = m_timeline.Start;
    span.End = m_timeline.End;
    if (entry.AudioId >= 0)
        span.AudioIds = {entry.AudioId};
    TStreamedConversion conversion;
    conversion.Pipe = m_intermediateFile;
    conversion.Ntsc = ntsc;
    conversion.Start = TTitleSpanReader::StreamSeconds(span.Start, ntsc);
    m_streamStart = conversion.Start;
    m_streamScan = conversion.Scan;
    m_streamFrames = 0;
    conversion.End = TTitleSpanReader::PictureEnd(m_request.Dvd.DvdPath, span);
    conversion.Scan = m_scanTypes.value(entry.TitleNumber, TScanType::Progressive);
    conversion.Deinterlace = m_settings.Deinterlace;
    conversion.AudioId = entry.AudioId;
    conversion.TitleAspect = entry.Aspect;
    conversion.SubtitleIndex = m_subtitleIndex;
    conversion.BurnSubtitle = !WantsSubtitleTrack();

    m_figures.SetEntryFrameRate(IntermediateFrameRate() * 1000);
    Publish();
    QString error;
    if (!CreatePipe(m_intermediateFile, error)) {
        EntryFailed(
            QStringLiteral("no pipe can be made in %1 (%2)").arg(QFileInfo(m_intermediateFile).absolutePath(), error));
        return;
    }
    if (!PreparePartialFile()) {
        DeleteIntermediate();
        return;
    }
    conversion.ChaptersFile = WriteChapterMarks();
    const TToolCommand converter = BuildStreamedConverterCommand(
        AppFolders::TranscoderExe(), conversion, m_transcoderOptions, m_settings, m_request.OutputExt, m_partialFile);
    m_transcoderCommandLine = converter.Text();
    m_lastTranscoderCommand = converter;
    m_encoderCommandLine = converter.Text();
    emit CommandLineChanged(m_encoderCommandLine);
    m_figures.BeginTranscoder();

    m_streamed = StreamedEnds();
    m_streamReason.clear();
    m_phase = Phase::Streaming;
    m_watch.Begin(TProcessRunner::Transcoder, false);
    m_watch.SetFinish(m_timeline.End - m_timeline.Start, m_partialFile);
    m_readerBytes = -1;
    m_readerQuiet.start();
    // Each opens the pipe and waits there for the other.
    m_runner.RunTranscoder(converter);
    m_span.Start(m_request.Dvd.DvdPath, span, m_intermediateFile);
}

void TConversionRun::OnSpanRead(const TTitleSpanReader::Result &result)
{
    if (!m_active || m_phase != Phase::Streaming)
        return;
    m_streamed.readerDone = true;
    m_streamed.reader = result;
    // The converter has all of it now; it may still write for a while without a word.
    m_watch.Finishing();
    // Without the rest of the span the converter cannot finish.
    if ((!result.Problem.isEmpty() || result.DamagedSectors > 0) && !m_streamed.converterDone) {
        m_streamed.converterEnded = true;
        m_runner.KillTranscoder();
    }
    StreamedPassEnded();
}

void TConversionRun::StreamedConverterFinished(const TProcessRunner::Result &result)
{
    m_streamed.converterDone = true;
    m_streamed.converter = result;
    if (!m_streamed.readerDone) {
        m_streamed.readerEnded = true;
        m_span.Stop();
    }
    StreamedPassEnded();
}

void TConversionRun::StreamedPassEnded()
{
    if (!m_streamed.readerDone || !m_streamed.converterDone)
        return;
    DeleteIntermediate();
    // A stopped entry is not complete: its figures stay where they stood.
    if (m_state == CancelRequested) {
        CancelPath();
        return;
    }
    const TTitleSpanReader::Result &reader = m_streamed.reader;
    QString reason = m_streamReason;
    if (reason.isEmpty() && reader.DamagedSectors > 0)
        reason = QStringLiteral("the disc is damaged at %1: %2 sectors of its video cannot be read")
                     .arg(ClockText(qMax(0.0, reader.FirstDamage - m_timeline.Start * m_timeline.ClockScale), false))
                     .arg(reader.DamagedSectors);
    if (reason.isEmpty() && !reader.Problem.isEmpty() && !m_streamed.readerEnded)
        reason = QStringLiteral("the disc cannot be read: ") + reader.Problem;
    if (reason.isEmpty() && !m_streamed.converter.Succeeded() && !m_streamed.converterEnded)
        reason = ToolFailure(TProcessRunner::Transcoder, m_streamed.converter);
    if (!reason.isEmpty()) {
        EntryFailed(reason);
        return;
    }
    m_intermediateHasAudio = Entry().AudioId >= 0;
    m_phase = Phase::CheckingTarget;
    m_probe.Probe(AppFolders::TranscoderExe(), m_partialFile, m_request.Preferences.StallSeconds * 1000);
}

void TConversionRun::StartTranscoderPass()
{
    TToolCommand command(AppFolders::TranscoderExe());
    if (!PrepareTranscoder(command))
        return;
    m_phase = Phase::TranscoderPass;
    m_watch.Begin(TProcessRunner::Transcoder, false);
    m_watch.SetFinish(m_timeline.End - m_timeline.Start, m_partialFile);
    m_runner.RunTranscoder(command);
}

void TConversionRun::OnToolStarted(TProcessRunner::Slot slot)
{
    const bool begins = (slot == TProcessRunner::Encoder && m_phase == Phase::EncoderPass)
                     || (slot == TProcessRunner::Transcoder && m_phase == Phase::Streaming);
    if (!m_active || !begins)
        return;
    emit HintChanged(ConvertingHint(m_request.Dvd.VolumeName, Entry().Data.OutputName, m_request.OutputExt));
}

void TConversionRun::OnToolFailedToStart(TProcessRunner::Slot slot)
{
    if (!m_active)
        return;
    switch (m_phase) {
    case Phase::Streaming:
        m_host.ReportStartFailure(QStringLiteral("Error"));
        if (!m_active)
            return;
        m_streamReason = QStringLiteral("the converter could not be started");
        StreamedConverterFinished(TProcessRunner::Result());
        break;
    case Phase::Prepass:
        // The encoder pass uses the same program and reports it; one message is enough.
        // Streamed, no other pass runs it: its absence is said now.
        if (!m_settings.RawPicture) {
            StartEncoderPass();
            break;
        }
        [[fallthrough]];
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
        } else if (!result.Succeeded() || m_watch.Stalled()) {
            EntryFailed(ToolFailure(slot, result));
        } else if (!QFileInfo(m_intermediateFile).isFile()) {
            EntryFailed(WithToolWords(QStringLiteral("the encoder wrote no file"), slot, false));
        } else {
            m_phase = Phase::CheckingIntermediate;
            m_probe.Probe(AppFolders::TranscoderExe(), m_intermediateFile, m_request.Preferences.StallSeconds * 1000);
        }
    } else if (m_phase == Phase::Streaming && slot == TProcessRunner::Transcoder) {
        StreamedConverterFinished(result);
    } else if (m_phase == Phase::TranscoderPass && slot == TProcessRunner::Transcoder) {
        if (m_state == CancelRequested) {
            CancelPath();
        } else if (!result.Succeeded() || m_watch.Stalled()) {
            EntryFailed(ToolFailure(slot, result));
        } else {
            m_phase = Phase::CheckingTarget;
            m_probe.Probe(AppFolders::TranscoderExe(), m_partialFile, m_request.Preferences.StallSeconds * 1000);
        }
    }
}

void TConversionRun::OnProbeFinished(const TMediaInfo &info)
{
    if (!m_active || m_state == CancelRequested)
        return;
    const TConversionEntry &entry = Entry();
    const double span = entry.Data.End - entry.Data.Start;
    if (m_phase == Phase::CheckingIntermediate) {
        // It holds what was read before the entry, too.
        const QString problem =
            CheckIntermediate(info, m_timeline.End - m_timeline.ProgramStart, !entry.AudioLanguages.isEmpty());
        if (!problem.isEmpty()) {
            EntryFailed(WithToolWords(problem, TProcessRunner::Encoder, true));
            return;
        }
        m_intermediateHasAudio = info.HasAudio;
        m_intermediateVideoEnd = info.HasVideo ? info.VideoEnd : 0;
        StartTranscoderPass();
    } else if (m_phase == Phase::CheckingTarget) {
        const bool wantAudio = m_intermediateHasAudio && !m_transcoderOptions.Arguments.contains(QStringLiteral("-an"));
        const QString problem = CheckTarget(info, span, wantAudio);
        if (!problem.isEmpty()) {
            EntryFailed(WithToolWords(problem, TProcessRunner::Transcoder, true));
            return;
        }
        ClaimTarget();
    }
}

void TConversionRun::ClaimTarget()
{
    QString name = m_claimName;
    QString error;
    ClaimRule rule = ClaimRule::KeepExisting;
    switch (m_claim) {
    case Claim::Replace:
        name = m_targetFile;
        rule = ClaimRule::Replace;
        break;
    case Claim::NextFree:
        rule = ClaimRule::NextFree;
        break;
    case Claim::KeepExisting:
    case Claim::AskIfTaken:
        rule = ClaimRule::KeepExisting;
        break;
    }
    ClaimResult result = ClaimTargetFile(m_partialFile, name, rule, m_request.OutputExt, error);
    if (result == ClaimResult::Taken && m_claim == Claim::AskIfTaken) {
        // Another run made the file while this one worked: the question comes now.
        if (!m_host.AskOverwrite(OverwriteQuestion(name), QStringLiteral("Output File Exists"))) {
            if (!m_active)
                return;
            DeletePartial();
            EntryDone(EntryResult::Skipped);
            return;
        }
        if (!m_active)
            return;
        result = ClaimTargetFile(m_partialFile, name, ClaimRule::Replace, m_request.OutputExt, error);
    }
    switch (result) {
    case ClaimResult::Claimed:
        m_partialFile.clear();
        m_targetFile = name;
        m_madeFiles << m_targetFile;
        EntryDone(EntryResult::Made);
        break;
    case ClaimResult::Taken:
        DeletePartial();
        m_targetFile = name;
        EntryDone(EntryResult::Skipped);
        break;
    case ClaimResult::Failed:
        EntryFailed(QStringLiteral("the file cannot take its name (%1)").arg(error));
        break;
    }
}

void TConversionRun::CheckStall()
{
    // The checks have a watchdog of their own.
    const int stall = m_request.Preferences.StallSeconds;
    if (m_phase == Phase::Prepass || m_phase == Phase::EncoderPass || m_phase == Phase::TranscoderPass)
        m_watch.Check(stall);
    // Streamed, the converter's figure is the progress of both: when it stands, the disc's
    // reading tells which one hangs. A reading that waits for the converter to take what it
    // wrote leaves the blame with the converter.
    if (m_phase == Phase::Streaming && m_streamReason.isEmpty()) {
        const qint64 bytes = m_span.BytesWritten();
        if (bytes != m_readerBytes || m_span.WaitsOnPipe() || m_streamed.readerDone) {
            m_readerBytes = bytes;
            m_readerQuiet.start();
        }
        if (m_watch.Quiet(stall)) {
            const bool readerHangs = !m_streamed.readerDone && m_readerQuiet.elapsed() >= qint64(stall) * 1000;
            m_streamReason = readerHangs ? QStringLiteral("the disc stopped responding")
                                         : QStringLiteral("the converter stopped responding");
            if (!m_streamed.converterDone) {
                m_streamed.converterEnded = true;
                m_runner.KillTranscoder();
            }
            if (!m_streamed.readerDone) {
                m_streamed.readerEnded = true;
                m_span.Stop();
            }
        }
    }
}

QString TConversionRun::ToolFailure(TProcessRunner::Slot slot, const TProcessRunner::Result &result) const
{
    const QString tool = slot == TProcessRunner::Encoder ? QStringLiteral("encoder") : QStringLiteral("converter");
    if (m_watch.Stalled())
        return QStringLiteral("the %1 stopped responding").arg(tool);
    const QString reason = result.Crashed
                             ? QStringLiteral("the %1 stopped abnormally").arg(tool)
                             : QStringLiteral("the %1 ended with status %2").arg(tool).arg(result.ExitCode);
    return WithToolWords(reason, slot, false);
}

QString TConversionRun::WithToolWords(const QString &reason, TProcessRunner::Slot slot, bool errorsOnly) const
{
    const QString words = m_runner.LastErrorLine(slot, errorsOnly);
    return words.isEmpty() ? reason : reason + QStringLiteral(": ") + words;
}

void TConversionRun::EntryFailed(const QString &reason)
{
    DeletePartial();
    m_failures << Failure{m_targetFile, reason};
    EntryDone(EntryResult::Failed);
}

void TConversionRun::EntryDone(EntryResult result)
{
    if (result != EntryResult::Skipped)
        m_figures.EntryFinished();
    else
        ++m_skippedCount;
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
    else if (slot == TProcessRunner::Transcoder && m_phase == Phase::Streaming) {
        qint64 frames = 0;
        if (ParseTranscoderFrames(text, frames))
            m_streamFrames = qMax(m_streamFrames, frames);
        StreamProgress();
    } else
        return;
    Publish();
}

void TConversionRun::StreamProgress()
{
    // The converter's own time counts from what it first reported, so its progress is told
    // by the pictures it has written, never past what the reading has handed it.
    const double read = (m_span.Position() - m_streamStart) / m_timeline.ClockScale;
    const QStringList rate = NominalRate(m_streamScan, m_request.Dvd.Standard == u"NTSC").split(QLatin1Char('/'));
    const double perSecond = rate.value(0).toDouble() / (rate.size() > 1 ? rate.at(1).toDouble() : 1.0);
    m_figures.StreamPosition(qBound(0.0, double(m_streamFrames) / perSecond, read));
}

void TConversionRun::timerTimeTimer()
{
    if (!m_active)
        return;
    if (m_phase == Phase::Streaming)
        StreamProgress();
    m_figures.Tick();
    Publish();
    CheckStall();
}

void TConversionRun::RequestStop()
{
    if (!m_active || m_state != Running || m_phase == Phase::Finishing)
        return;
    m_state = CancelRequested;
    m_runner.KillEncoder();
    m_runner.KillTranscoder();
    m_span.Stop();
    if (m_phase == Phase::CheckingIntermediate || m_phase == Phase::CheckingTarget || m_phase == Phase::ReadingSource
        || m_phase == Phase::ReadingSubtitles) {
        // A check has no tool run to end in the cancel path; it is dropped here.
        m_probe.Stop();
        m_source.Stop();
        m_subtitles.Stop();
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (m_active && generation == m_generation)
                    CancelPath();
            },
            Qt::QueuedConnection);
    }
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
    if (m_failures.isEmpty() && m_madeFiles.isEmpty() && m_skippedCount > 0)
        m_host.Inform(NothingMadeMessage(), QStringLiteral("Complete"));
    else if (m_failures.isEmpty())
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
    m_probe.Stop();
    m_source.Stop();
    m_subtitles.Stop();
    m_span.Stop();
    DeleteIntermediate();
    DeletePartial();
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
    m_probe.Stop();
    m_source.Stop();
    m_subtitles.Stop();
    m_span.Stop();
    DeleteIntermediate();
    DeletePartial();
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

double TConversionRun::IntermediateFrameRate() const
{
    return m_treatment.FilmRate ? 24000.0 / 1001.0 : m_request.Dvd.FrameRateFactor / 1000.0;
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
    // The process id tells processes apart, the serial two runs of one process.
    static int serials = 0;
    if (m_serial == 0)
        m_serial = ++serials;
    const QFileInfo info(usual);
    return info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QLatin1Char('-')
         + QString::number(QCoreApplication::applicationPid()) + QLatin1Char('-') + QString::number(m_serial)
         + QLatin1Char('.') + info.suffix();
}

void TConversionRun::DeletePartial()
{
    if (!m_partialFile.isEmpty())
        QFile::remove(m_partialFile);
    m_partialFile.clear();
}

void TConversionRun::DeleteIntermediate()
{
    if (!m_intermediateFile.isEmpty()) {
        for (const char *suffix : {".chapters", ".subtitles.idx", ".subtitles.sub"})
            QFile::remove(m_intermediateFile + QLatin1String(suffix));
    }
    if (!m_intermediateFile.isEmpty() && QFileInfo::exists(m_intermediateFile))
        QFile::remove(m_intermediateFile);
}
