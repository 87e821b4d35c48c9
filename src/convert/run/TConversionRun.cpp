#include "convert/run/TConversionRun.h"

#include "convert/commands/PictureFit.h"
#include "convert/commands/StreamedConversion.h"
#include "convert/commands/Bitrates.h"
#include "convert/run/FreeSpace.h"
#include "convert/run/OutputChecks.h"
#include "convert/run/TConversionHost.h"
#include "convert/run/TargetFiles.h"
#include "core/AppFolders.h"
#include "core/PathText.h"
#include "core/PowerManager.h"
#include "core/ProgramInfo.h"
#include "core/TimeText.h"
#include "tasklist/TargetNames.h"

#include <QFile>
#include <QFileInfo>

namespace {

ClaimRule RuleFor(TConversionPreferences::WhenExists whenTaken)
{
    switch (whenTaken) {
    case TConversionPreferences::WhenExists::Overwrite:
        return ClaimRule::Replace;
    case TConversionPreferences::WhenExists::Rename:
        return ClaimRule::NextFree;
    case TConversionPreferences::WhenExists::Ask: // the question comes when the name is taken
    case TConversionPreferences::WhenExists::Skip:
        break;
    }
    return ClaimRule::KeepExisting;
}

const QString kOutputExists = QStringLiteral("Output File Exists");

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
    connect(&m_runner, &TProcessRunner::OutputChunk, this, &TConversionRun::OnToolOutput);
    connect(&m_probe, &TMediaProbe::Finished, this, &TConversionRun::OnProbeFinished, Qt::QueuedConnection);
    connect(&m_source, &TSourceProbe::Finished, this, &TConversionRun::OnSourceRead);
    connect(&m_subtitles, &TSubtitleExtraction::Finished, this, &TConversionRun::OnSubtitlesRead);
    connect(&m_streamed, &TStreamedPass::Finished, this, &TConversionRun::OnStreamedPassEnded);
    connect(&m_videoCheck, &TSpanStreaming::Finished, this, &TConversionRun::OnVideoChecked);
}

TConversionRun::~TConversionRun()
{
    if (IsActive())
        Abort();
}

int TConversionRun::ConversionState() const
{
    if (!IsActive())
        return m_endState;
    return m_stopAsked ? CancelRequested : Running;
}

void TConversionRun::Start(const TConversionRequest &request)
{
    if (IsActive())
        return;
    m_request = request;
    m_profile = TProfileSnapshot::Take(request);
    m_stopAsked = false;
    ++m_generation;
    m_failures.clear();
    m_madeFiles.clear();
    m_skipped = 0;
    m_scanTypes.clear();
    m_crops.clear();
    m_plan = TEntryPlan();
    m_lastEncoderCommand = TToolCommand();
    m_lastTranscoderCommand = TToolCommand();

    double total = 0;
    for (const TConversionEntry &e : std::as_const(m_request.Entries))
        total += e.Data.End - e.Data.Start;
    m_figures.BeginRun(2 * total, m_request.Dvd.FrameRateFactor, int(m_request.Entries.size()));
    m_phase = Phase::Between;
    m_publishedOnce = false;
    Publish();
    emit ProgressPanelShown(true);

    m_outputFolder = EnsureTrailingBackslash(request.OutputDirText);
    m_files.ClaimIntermediate();
    FenceTools();
    m_clock.start();
    m_index = -1;
    PostNextEntry();
}

void TConversionRun::FenceTools()
{
    m_runner.SetToolFolder(m_files.ToolFolder());
    TToolSandbox fence;
    fence.AllowRead(m_request.Dvd.DvdPath);
    fence.AllowRead(m_files.WorkFolder());
    m_runner.SetFence(fence);
}

void TConversionRun::PostNextEntry()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (IsActive() && generation == m_generation)
                NextEntry();
        },
        Qt::QueuedConnection);
}

void TConversionRun::NextEntry()
{
    if (m_stopAsked) {
        CancelPath();
        return;
    }
    ++m_index;
    if (m_index >= m_request.Entries.size()) {
        Finish();
        return;
    }
    m_phase = Phase::Between;
    m_plan = TEntryPlan();
    m_plan.Entry = m_request.Entries.at(m_index);
    m_plan.ListSeconds = Entry().Data.End - Entry().Data.Start;
    m_plan.Converter = m_profile.Converter;
    m_figures.BeginEntry(m_plan.ListSeconds);
    Publish();

    m_plan.TargetFile =
        TargetFileName(m_outputFolder, m_request.Dvd.VolumeName, Entry().Data.OutputName, m_request.OutputExt);
    emit EntryStarted(m_index);
    // Times and frame size checked now; the command itself is built once the disc has been
    // read for the entry.
    TToolCommand checked(AppFolders::EncoderExe());
    QString problem;
    if (!BuildEncoderCommand(Entry(), EntryTimeline(Entry(), TStreamStart()), m_request.Dvd.DvdPath,
                             m_profile.EncoderOptions, m_profile.Settings, TPictureTreatment(), checked, problem)) {
        EntryFailed(problem);
        return;
    }
    if (!ChooseTarget())
        return;

    m_files.ClaimIntermediate();
    FenceTools();
    // Room for the intermediate file (at the encoder's video bitrate, PCM sound; a pipe takes
    // none) and the target (at the profile's bitrates, generous where the profile names none).
    TPictureFit fit;
    if (!FitPicture(m_profile.Settings, Entry().Aspect, fit)) {
        fit.Width = 720;
        fit.Height = m_request.Dvd.IsNtsc() ? 480 : 576;
    }
    const double encoderKbps =
        IntermediateKbps(m_request.Preferences.HighQualityIntermediate, m_profile.Settings.VideoBitrate, fit.Width,
                         fit.Height, m_request.Dvd.PicturesPerSecond());
    const double targetKbps = ArgumentBitrateKbps(m_plan.Converter.Arguments, true, 8000.0)
                            + ArgumentBitrateKbps(m_plan.Converter.Arguments, false, 640.0);
    const qint64 encoderBytes = m_profile.Settings.RawPicture ? 0 : EstimatedBytes(m_plan.ListSeconds, encoderKbps);
    const QString room = CheckRoom(m_files.WorkFolder(), encoderBytes, QFileInfo(m_plan.TargetFile).absolutePath(),
                                   EstimatedBytes(m_plan.ListSeconds, targetKbps));
    if (!room.isEmpty()) {
        EntryFailed(room);
        return;
    }

    m_phase = Phase::ReadingSource;
    const bool findCrop = CropsBars() && !m_crops.contains(Entry().TitleNumber);
    m_source.Detect(m_request.Dvd.DvdPath, Entry().TitleNumber, m_scanTypes.contains(Entry().TitleNumber), findCrop,
                    StartProgramHint(Entry()), TimeTextToSeconds(Entry().Data.StartText), Entry().AudioId,
                    m_files.WorkFolder(), AppFolders::TranscoderExe(), m_request.Preferences.StallSeconds * 1000);
}

bool TConversionRun::ChooseTarget()
{
    // The rule decides again when the file takes its name: another run may have taken it in
    // the meantime.
    m_plan.ClaimName = m_plan.TargetFile;
    m_plan.WhenTaken = m_request.Preferences.Existing;
    const QFileInfo target(m_plan.TargetFile);
    if (target.exists() || target.isSymLink()) {
        switch (m_plan.WhenTaken) {
        case TConversionPreferences::WhenExists::Ask:
            if (!AskOverwrite(m_plan.TargetFile)) {
                if (IsActive())
                    EntryDone(EntryResult::Skipped);
                return false;
            }
            m_plan.WhenTaken = TConversionPreferences::WhenExists::Overwrite;
            break;
        case TConversionPreferences::WhenExists::Skip:
            EntryDone(EntryResult::Skipped);
            return false;
        case TConversionPreferences::WhenExists::Rename:
            m_plan.TargetFile = RenamedTargetFile(m_plan.TargetFile, m_request.OutputExt);
            break;
        case TConversionPreferences::WhenExists::Overwrite:
            break;
        }
        if (!IsActive())
            return false; // the window closed while the question was open
    }
    const QFileInfo chosen(m_plan.TargetFile);
    if (RuleFor(m_plan.WhenTaken) == ClaimRule::Replace && chosen.isDir() && !chosen.isSymLink()) {
        EntryFailed(QStringLiteral("a folder has the file's name"));
        return false;
    }
    return true;
}

bool TConversionRun::AskOverwrite(const QString &file)
{
    // The time a question waits is no time spent converting.
    const bool ticking = m_clock.isActive();
    m_clock.stop();
    const TOverwriteAnswer answer = m_host.AskOverwrite(OverwriteQuestion(file), kOutputExists);
    if (ticking && IsActive())
        m_clock.start();
    if (answer == TOverwriteAnswer::YesToAll)
        m_request.Preferences.Existing = TConversionPreferences::WhenExists::Overwrite;
    else if (answer == TOverwriteAnswer::NoToAll)
        m_request.Preferences.Existing = TConversionPreferences::WhenExists::Skip;
    return answer == TOverwriteAnswer::Yes || answer == TOverwriteAnswer::YesToAll;
}

void TConversionRun::OnSourceRead(const TSourceProbe::Result &result)
{
    if (m_phase != Phase::ReadingSource)
        return;
    if (m_stopAsked) {
        CancelPath();
        return;
    }
    const int title = Entry().TitleNumber;
    if (!m_scanTypes.contains(title)) {
        m_scanTypes.insert(title, result.Scan);
        emit ToolOutput(QStringLiteral("Title %1: %2 (%3)\n").arg(title).arg(ScanTypeText(result.Scan), result.How));
    }
    m_plan.Scan = m_scanTypes.value(title);
    if (CropsBars() && !m_crops.contains(title)) {
        m_crops.insert(title, result.Crop);
        const TPictureCrop &c = result.Crop;
        emit ToolOutput(c.IsSet() ? QStringLiteral("Title %1: the film is %2x%3 at %4,%5 of the %6x%7 frame\n")
                                        .arg(title)
                                        .arg(c.Width)
                                        .arg(c.Height)
                                        .arg(c.X)
                                        .arg(c.Y)
                                        .arg(c.FrameWidth)
                                        .arg(c.FrameHeight)
                                  : QStringLiteral("Title %1: no bars to crop\n").arg(title));
    }
    m_plan.Crop = m_crops.value(title);
    m_plan.Timeline = EntryTimeline(Entry(), result.Start);
    m_plan.ProgramStarts = result.Start.ProgramStarts;
    m_plan.Treatment = PictureTreatment(m_plan.Scan, m_profile.Settings.Deinterlace);
    // At the title's start pullup finds no field before the first film frame and drops it.
    if (m_plan.Treatment.FilmRate && m_plan.Scan == TScanType::HardFilm && m_plan.Timeline.Program == 0)
        m_plan.Timeline.PictureLate = 1001.0 / 24000.0;
    m_plan.SubtitleAsTrack = WantsSubtitleTrack();
    // Streamed, the converter lays a burnt-in subtitle on the picture itself.
    if (m_plan.SubtitleAsTrack || (m_profile.Settings.RawPicture && Entry().SubtitleStream >= 0)) {
        m_phase = Phase::ReadingSubtitles;
        m_subtitles.Start(m_request.Dvd.DvdPath, title, Entry().SubtitleStream, m_plan.Timeline.Start,
                          m_plan.Timeline.End, m_plan.Timeline.ClockScale, m_files.SubtitleBase());
        return;
    }
    StartPrepass();
}

bool TConversionRun::WantsSubtitleTrack() const
{
    return m_request.Preferences.SubtitleTrack && Entry().SubtitleStream >= 0
        && ContainerTakesSubtitleTrack(m_request.OutputExt);
}

void TConversionRun::OnSubtitlesRead(const TSubtitleTrack &track)
{
    if (m_phase != Phase::ReadingSubtitles)
        return;
    if (m_stopAsked) {
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
        m_plan.SubtitleIndex = m_files.SubtitleBase() + QStringLiteral(".idx");
    StartPrepass();
}

void TConversionRun::StartPrepass()
{
    if (m_stopAsked) {
        CancelPath();
        return;
    }
    // The pre-pass writes nothing useful; its file is the intermediate one, removed after it.
    m_phase = Phase::Prepass;
    m_watch.Begin(TProcessRunner::Encoder, true);
    m_runner.RunTitlePrepass(BuildPrepassCommand(AppFolders::EncoderExe(), Entry().TitleNumber,
                                                 PrepassDrive(m_request.Dvd.DvdPath), m_files.Intermediate()));
}

void TConversionRun::AfterPrepass()
{
    // What the pre-pass may have left; the subtitle track stays for the converter.
    if (QFileInfo::exists(m_files.Intermediate()))
        QFile::remove(m_files.Intermediate());
    if (m_stopAsked)
        CancelPath();
    else if (m_profile.Settings.RawPicture)
        StartStreamedPass();
    else
        StartEncoderPass();
}

void TConversionRun::StartEncoderPass()
{
    m_intermediateVideoEnd = 0;
    // The command again, now with what the disc says of the entry's start and pictures.
    TToolCommand command(AppFolders::EncoderExe());
    QString problem;
    TConversionEntry entry = Entry();
    if (m_plan.SubtitleAsTrack) {
        // Kept as a track, the subtitle is not burnt in as well.
        entry.Data.SubtitleIndex = 0;
        entry.SubtitleStream = -1;
    }
    BuildEncoderCommand(entry, m_plan.Timeline, m_request.Dvd.DvdPath, m_profile.EncoderOptions, m_profile.Settings,
                        m_plan.Treatment, command, problem);
    m_figures.SetEntryFrameRate(IntermediateFrameRate() * 1000);
    m_figures.SetEncoderReading(m_plan.Timeline.End - m_plan.Timeline.ProgramStart + kEncoderOverrun);
    Publish();
    command.Add(QStringLiteral("-o")).AddWritten(m_files.Intermediate());
    m_videoChecked.reset();
    m_encoderFailure.clear();
    m_videoCheck.Start(m_request.Dvd.DvdPath, EntrySpan(), QString());
    m_lastEncoderCommand = command;
    emit CommandLineChanged(command.Text());
    m_phase = Phase::EncoderPass;
    m_watch.Begin(TProcessRunner::Encoder, false);
    m_runner.RunEncoderPass(command);
}

TTitleSpanReader::Span TConversionRun::EntrySpan() const
{
    TTitleSpanReader::Span span;
    span.TitleNumber = Entry().TitleNumber;
    span.Start = m_plan.Timeline.Start;
    span.End = m_plan.Timeline.End;
    if (Entry().AudioId >= 0) {
        span.AudioIds = {Entry().AudioId};
        if (KeepsSeveralSoundTracks(m_request.OutputExt, m_profile.Settings.RawPicture))
            span.AudioIds << Entry().MoreAudioIds;
    }
    return span;
}

void TConversionRun::OnVideoChecked(const TTitleSpanReader::Result &result)
{
    m_videoChecked = result;
    if (m_phase == Phase::CheckingVideo && !m_stopAsked)
        AfterVideoCheck();
}

void TConversionRun::AfterVideoCheck()
{
    if (!m_videoChecked) {
        m_phase = Phase::CheckingVideo; // OnVideoChecked goes on
        return;
    }
    const QString damage = DamageText(*m_videoChecked, TTitleSpanReader::StreamSeconds(m_plan.Timeline.Start,
                                                                                      m_request.Dvd.IsNtsc()));
    if (!damage.isEmpty())
        EntryFailed(damage);
    else if (!m_encoderFailure.isEmpty())
        EntryFailed(m_encoderFailure);
    else
        StartTranscoderPass();
}

void TConversionRun::StartStreamedPass()
{
    const bool ntsc = m_request.Dvd.IsNtsc();
    TStreamedPass::Plan pass;
    pass.DvdPath = m_request.Dvd.DvdPath;
    pass.Span = EntrySpan();
    pass.Pipe = m_files.Intermediate();
    pass.StreamStart = TTitleSpanReader::StreamSeconds(pass.Span.Start, ntsc);
    pass.Length = m_plan.RealSeconds();
    const QStringList rate = NominalRate(m_plan.Scan, ntsc).split(QLatin1Char('/'));
    pass.PicturesPerSecond = rate.value(0).toDouble() / (rate.size() > 1 ? rate.at(1).toDouble() : 1.0);

    TStreamedConversion conversion;
    conversion.Pipe = pass.Pipe;
    conversion.Ntsc = ntsc;
    conversion.Start = pass.StreamStart;
    conversion.End = TTitleSpanReader::PictureEnd(pass.DvdPath, pass.Span);
    conversion.Scan = m_plan.Scan;
    conversion.Deinterlace = m_profile.Settings.Deinterlace;
    conversion.AudioId = Entry().AudioId;
    conversion.MoreAudioIds = Entry().MoreAudioIds;
    conversion.AudioLanguages = Entry().AudioTrackLanguages;
    conversion.TitleAspect = Entry().Aspect;
    conversion.Crop = m_plan.Crop;
    conversion.SubtitleIndex = m_plan.SubtitleIndex;
    conversion.BurnSubtitle = !m_plan.SubtitleAsTrack;

    m_figures.SetEntryFrameRate(IntermediateFrameRate() * 1000);
    Publish();
    QString error;
    if (!CreatePipe(pass.Pipe, error)) {
        EntryFailed(QStringLiteral("no pipe can be made in %1 (%2)").arg(m_files.WorkFolder(), error));
        return;
    }
    if (!PreparePartialFile()) {
        m_files.DeleteIntermediate();
        return;
    }
    pass.PartialFile = m_files.Partial();
    conversion.ChaptersFile = WriteChapterMarks();
    pass.Converter = BuildStreamedConverterCommand(AppFolders::TranscoderExe(), conversion, m_plan.Converter,
                                                   m_profile.Settings, m_request.OutputExt, pass.PartialFile);
    m_lastTranscoderCommand = pass.Converter;
    emit CommandLineChanged(pass.Converter.Text());
    m_figures.BeginTranscoder();
    m_phase = Phase::Streaming;
    m_streamed.Start(pass);
}

void TConversionRun::OnStreamedPassEnded(const QString &reason)
{
    if (m_phase != Phase::Streaming)
        return;
    m_files.DeleteIntermediate();
    // A stopped entry is not complete: its figures stay where they stood.
    if (m_stopAsked) {
        CancelPath();
        return;
    }
    if (!reason.isEmpty()) {
        EntryFailed(reason);
        return;
    }
    m_intermediateHasAudio = Entry().AudioId >= 0;
    CheckTarget();
}

void TConversionRun::StartTranscoderPass()
{
    FitTranscoderToFrame(m_plan.Converter, m_profile.Settings, Entry().Aspect);
    CutTranscoderToEntry(m_plan.Converter, m_plan.Timeline, IntermediateFrameRate(), m_intermediateVideoEnd);
    RaiseSound(m_plan.Converter);
    if (!PreparePartialFile())
        return;
    const TToolCommand command =
        BuildTranscoderCommand(AppFolders::TranscoderExe(), m_files.Intermediate(), m_plan.Converter,
                               m_files.Partial(), WriteChapterMarks(), m_plan.SubtitleIndex);
    m_lastTranscoderCommand = command;
    m_figures.BeginTranscoder();
    m_phase = Phase::TranscoderPass;
    m_watch.Begin(TProcessRunner::Transcoder, false);
    m_watch.SetFinish(m_plan.RealSeconds(), m_files.Partial());
    m_runner.RunTranscoder(command);
}

bool TConversionRun::PreparePartialFile()
{
    QStringList removed;
    QString error;
    const QString partial = m_files.CreatePartial(m_plan.TargetFile, removed, error);
    for (const QString &stale : std::as_const(removed))
        emit ToolOutput(QStringLiteral("Removed %1, left by a run that was ended outright\n").arg(stale));
    if (partial.isEmpty()) {
        EntryFailed(
            QStringLiteral("no file can be written in %1 (%2)").arg(QFileInfo(m_plan.TargetFile).absolutePath(), error));
        return false;
    }
    return true;
}

QString TConversionRun::WriteChapterMarks() const
{
    if (!m_request.Preferences.ChapterMarks || !ContainerTakesMarks(m_request.OutputExt))
        return {};
    return m_files.WriteChapters(ChapterMarksText(m_plan.ProgramStarts, m_plan.Timeline));
}

void TConversionRun::CheckTarget()
{
    m_phase = Phase::CheckingTarget;
    m_probe.Probe(AppFolders::TranscoderExe(), m_files.Partial(), m_request.Preferences.StallSeconds * 1000);
}

void TConversionRun::OnToolStarted(TProcessRunner::Slot slot)
{
    const bool begins = (slot == TProcessRunner::Encoder && m_phase == Phase::EncoderPass)
                     || (slot == TProcessRunner::Transcoder && m_phase == Phase::Streaming);
    if (begins)
        emit HintChanged(ConvertingHint(m_request.Dvd.VolumeName, Entry().Data.OutputName, m_request.OutputExt));
}

void TConversionRun::OnToolFailedToStart(TProcessRunner::Slot)
{
    switch (m_phase) {
    case Phase::Streaming:
        m_host.ReportStartFailure(QStringLiteral("Error"));
        if (IsActive())
            m_streamed.ConverterFailedToStart();
        break;
    case Phase::Prepass:
        // The encoder pass uses the same program and reports it; one message is enough.
        // Streamed, no other pass runs it: its absence is said now.
        if (!m_profile.Settings.RawPicture) {
            AfterPrepass();
            break;
        }
        [[fallthrough]];
    case Phase::EncoderPass:
        m_clock.stop();
        m_host.ReportStartFailure(QStringLiteral("Error. Please re-install ") + ProgramInfo::ProductName());
        if (!IsActive())
            return;
        // Back to the choices, so that the folder and profile stay within reach.
        emit ProgressPanelShown(false);
        End(Outcome::EncoderMissing);
        break;
    case Phase::TranscoderPass:
        m_host.ReportStartFailure(QStringLiteral("Error"));
        if (IsActive())
            EntryFailed(QStringLiteral("the converter could not be started"));
        break;
    default:
        break;
    }
}

void TConversionRun::OnToolFinished(TProcessRunner::Slot slot, TProcessRunner::Result result)
{
    const bool encoder = slot == TProcessRunner::Encoder;
    if (m_phase == Phase::Prepass && encoder) {
        // The pre-pass is expected to fail; its status means nothing.
        AfterPrepass();
    } else if (m_phase == Phase::Streaming && !encoder) {
        m_streamed.ConverterFinished(result);
    } else if ((m_phase == Phase::EncoderPass && encoder) || (m_phase == Phase::TranscoderPass && !encoder)) {
        if (m_stopAsked) {
            CancelPath();
        } else if (!result.Succeeded() || m_watch.Stalled()) {
            if (encoder) {
                // Damage the reading found is the better reason: the encoder only says it ended.
                m_encoderFailure = ToolFailure(slot, result);
                AfterVideoCheck();
            } else {
                EntryFailed(ToolFailure(slot, result));
            }
        } else if (!encoder) {
            CheckTarget();
        } else if (!QFileInfo(m_files.Intermediate()).isFile()) {
            EntryFailed(WithToolWords(QStringLiteral("the encoder wrote no file"), slot, false));
        } else {
            m_phase = Phase::CheckingIntermediate;
            m_probe.Probe(AppFolders::TranscoderExe(), m_files.Intermediate(), m_request.Preferences.StallSeconds * 1000);
        }
    }
}

void TConversionRun::OnToolOutput(TProcessRunner::Slot slot, const QString &text)
{
    if (!IsActive())
        return;
    m_watch.Output(slot, text);
    emit ToolOutput(text);
}

void TConversionRun::OnProgressChunk(TProcessRunner::Slot slot, int, const QString &text)
{
    if (slot == TProcessRunner::Encoder && m_phase == Phase::EncoderPass) {
        m_figures.EncoderChunk(text);
    } else if (slot == TProcessRunner::Transcoder && m_phase == Phase::TranscoderPass) {
        m_figures.TranscoderChunk(text);
    } else if (slot == TProcessRunner::Transcoder && m_phase == Phase::Streaming) {
        m_streamed.ConverterOutput(text);
        m_figures.StreamPosition(m_streamed.Seconds() / m_plan.Timeline.ClockScale);
    } else {
        return;
    }
    Publish();
}

void TConversionRun::OnProbeFinished(const TMediaInfo &info)
{
    if (m_stopAsked)
        return;
    if (m_phase == Phase::CheckingIntermediate) {
        // It holds what was read before the entry, too.
        const QString problem = CheckIntermediate(info, m_plan.Timeline.End - m_plan.Timeline.ProgramStart,
                                                  !Entry().AudioLanguages.isEmpty());
        if (!problem.isEmpty()) {
            EntryFailed(WithToolWords(problem, TProcessRunner::Encoder, true));
            return;
        }
        m_intermediateHasAudio = info.HasAudio;
        m_intermediateVideoEnd = info.HasVideo ? info.VideoEnd : 0;
        AfterVideoCheck();
    } else if (m_phase == Phase::CheckingTarget) {
        const bool wantAudio = m_intermediateHasAudio && !m_plan.Converter.Arguments.contains(QStringLiteral("-an"));
        const QString problem = ::CheckTarget(info, m_plan.ListSeconds, wantAudio);
        if (!problem.isEmpty()) {
            EntryFailed(WithToolWords(problem, TProcessRunner::Transcoder, true));
            return;
        }
        ClaimTarget();
    }
}

void TConversionRun::ClaimTarget()
{
    const ClaimRule rule = RuleFor(m_plan.WhenTaken);
    QString name = rule == ClaimRule::Replace ? m_plan.TargetFile : m_plan.ClaimName;
    QString error;
    ClaimResult result = ClaimTargetFile(m_files.Partial(), name, rule, m_request.OutputExt, error);
    if (result == ClaimResult::Taken && m_plan.WhenTaken == TConversionPreferences::WhenExists::Ask) {
        // Another run made the file while this one worked: the question comes now.
        const bool replace = AskOverwrite(name);
        if (!IsActive())
            return;
        if (replace)
            result = ClaimTargetFile(m_files.Partial(), name, ClaimRule::Replace, m_request.OutputExt, error);
    }
    switch (result) {
    case ClaimResult::Claimed:
        m_files.PartialClaimed();
        m_plan.TargetFile = name;
        m_madeFiles << name;
        EntryDone(EntryResult::Made);
        break;
    case ClaimResult::Taken:
        m_files.DeletePartial();
        m_plan.TargetFile = name;
        EntryDone(EntryResult::Skipped);
        break;
    case ClaimResult::Failed:
        EntryFailed(QStringLiteral("the file cannot take its name (%1)").arg(error));
        break;
    }
}

QString TConversionRun::ToolFailure(TProcessRunner::Slot slot, const TProcessRunner::Result &result) const
{
    const QString tool = slot == TProcessRunner::Encoder ? QStringLiteral("encoder") : QStringLiteral("converter");
    return ToolFailureText(tool, result, m_watch.Stalled(), m_runner.LastErrorLine(slot, false));
}

QString TConversionRun::WithToolWords(const QString &reason, TProcessRunner::Slot slot, bool errorsOnly) const
{
    return ::WithToolWords(reason, m_runner.LastErrorLine(slot, errorsOnly));
}

void TConversionRun::EntryFailed(const QString &reason)
{
    m_videoCheck.Stop();
    m_files.DeletePartial();
    m_failures << TConversionFailure{m_plan.TargetFile, reason};
    EntryDone(EntryResult::Failed);
}

void TConversionRun::EntryDone(EntryResult result)
{
    // A failed entry's figures stay where it stood: it was not converted to its end.
    if (result == EntryResult::Made)
        m_figures.EntryFinished();
    else if (result == EntryResult::Skipped)
        ++m_skipped;
    // Done, skipped or failed, the entry's whole share counts, so the total bar reaches 100 %.
    m_figures.CountEntryDone();
    Publish();
    emit EntryFinished(m_index, result);
    if (!IsActive())
        return;
    m_phase = Phase::Between;
    PostNextEntry();
}

void TConversionRun::timerTimeTimer()
{
    if (!IsActive())
        return;
    if (m_phase == Phase::Streaming)
        m_figures.StreamPosition(m_streamed.Seconds() / m_plan.Timeline.ClockScale);
    const bool converting =
        m_phase == Phase::Streaming || m_phase == Phase::EncoderPass || m_phase == Phase::TranscoderPass;
    m_figures.Tick(converting);
    Publish();
    // The checks and the readings have a watchdog of their own.
    const int stall = m_request.Preferences.StallSeconds;
    if (m_phase == Phase::Prepass || m_phase == Phase::EncoderPass || m_phase == Phase::TranscoderPass)
        m_watch.Check(stall);
    else if (m_phase == Phase::Streaming)
        m_streamed.Tick(stall);
}

void TConversionRun::RequestStop()
{
    if (!IsActive() || m_stopAsked || m_phase == Phase::Finishing)
        return;
    m_stopAsked = true;
    m_runner.KillEncoder();
    m_runner.KillTranscoder();
    m_streamed.Stop();
    if (m_phase == Phase::CheckingIntermediate || m_phase == Phase::CheckingVideo || m_phase == Phase::CheckingTarget || m_phase == Phase::ReadingSource
        || m_phase == Phase::ReadingSubtitles) {
        // A check has no tool run to end in the cancel path; it is dropped here.
        StopReaders();
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            this,
            [this, generation] {
                if (IsActive() && generation == m_generation)
                    CancelPath();
            },
            Qt::QueuedConnection);
    }
    // Between two tools nothing is killed; the next step sees the request.
}

void TConversionRun::StopReaders()
{
    m_probe.Stop();
    m_source.Stop();
    m_subtitles.Stop();
    m_streamed.Stop();
    m_videoCheck.Stop();
}

void TConversionRun::Finish()
{
    m_phase = Phase::Finishing;
    m_figures.RunComplete();
    Publish();
    m_files.DeleteIntermediate();
    m_clock.stop();
    const quint64 generation = m_generation;
    m_host.HideBusyHint([this, generation] {
        if (IsActive() && generation == m_generation)
            FinishingAction();
    });
}

void TConversionRun::FinishingAction()
{
    const bool nothingMade = m_failures.isEmpty() && m_madeFiles.isEmpty() && m_skipped > 0;
    const QString success = QStringLiteral("The conversion is completed successfully.");
    m_host.AnnounceEnd(nothingMade            ? NothingMadeMessage()
                       : m_failures.isEmpty() ? success
                                              : QStringLiteral("The conversion is finished; %1 of %2 files could not be made.")
                                                    .arg(m_failures.size())
                                                    .arg(m_request.Entries.size()));
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
    if (nothingMade)
        m_host.Inform(NothingMadeMessage(), QStringLiteral("Complete"));
    else if (m_failures.isEmpty())
        m_host.Inform(success, QStringLiteral("Complete"));
    else
        m_host.Warn(FailureReport(m_failures), QStringLiteral("Conversion incomplete"));
    if (!IsActive())
        return;
    if (m_request.Preferences.OpenFolderWhenDone && !m_madeFiles.isEmpty())
        m_host.OpenFolder(m_request.OutputDirText);
    emit ProgressPanelShown(false);
    End(Outcome::Completed);
}

void TConversionRun::CancelPath()
{
    m_phase = Phase::Finishing;
    m_clock.stop();
    m_runner.KillEncoder();
    m_runner.KillTranscoder();
    StopReaders();
    m_files.DeleteIntermediate();
    m_files.DeletePartial();
    m_host.Inform(QStringLiteral("The conversion is canceled."), QStringLiteral("Cancel"));
    if (!IsActive())
        return;
    emit ProgressPanelShown(false);
    End(Outcome::Cancelled);
}

void TConversionRun::Abort()
{
    if (!IsActive())
        return;
    m_stopAsked = true;
    m_clock.stop();
    m_runner.StopAll();
    StopReaders();
    m_files.DeleteIntermediate();
    m_files.DeletePartial();
    End(Outcome::Aborted);
}

void TConversionRun::End(Outcome outcome)
{
    m_files.Release();
    m_endState = outcome == Outcome::Cancelled || outcome == Outcome::Aborted ? CancelRequested : Idle;
    m_phase = Phase::Idle;
    ++m_generation;
    emit Finished(outcome);
}

void TConversionRun::Publish()
{
    if (m_publishedOnce && m_figures.Progress() == m_published)
        return;
    m_publishedOnce = true;
    m_published = m_figures.Progress();
    emit ProgressChanged(m_published);
}

bool TConversionRun::CropsBars() const
{
    return m_profile.Settings.AutoCrop && m_profile.Settings.RawPicture;
}

double TConversionRun::IntermediateFrameRate() const
{
    return m_plan.Treatment.FilmRate ? 24000.0 / 1001.0 : m_request.Dvd.PicturesPerSecond();
}
