#pragma once

#include "convert/commands/EncoderCommand.h"
#include "convert/commands/TMencOutputSettings.h"
#include "convert/commands/TranscoderCommand.h"
#include "convert/run/TConversionProgress.h"
#include "convert/run/TConversionRequest.h"
#include "convert/run/TProgressArithmetic.h"
#include "convert/tools/TMediaProbe.h"
#include "convert/tools/TProcessRunner.h"
#include "convert/tools/TSourceProbe.h"
#include "convert/tools/TSpanStreaming.h"
#include "convert/tools/TStallWatch.h"
#include "convert/tools/TSubtitleExtraction.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class TConversionHost;

// The conversion of all checked entries: for each one a look at how its title's pictures
// were made (once a title), a pre-pass, the encoder pass into
// the intermediate file and the transcoder pass into the target file, driven by the tools'
// signals and a one-second clock (no waiting loops). Progress goes out as signals that the
// window copies into its controls; questions and messages go through the host.
//
// An entry fails, with the reason, when a folder has no room for it, when a tool ends with
// a non-zero status or stops making progress, or when what it wrote does not hold the
// entry's whole span (read back with the transcoder); the run goes on with the next entry
// and names the failed files at the end. The target is written under a hidden name beside
// it and takes its real name only once checked, so no broken file carries a real name.
class TConversionRun : public QObject
{
    Q_OBJECT
public:
    enum State { Idle = 0, Running = 1, CancelRequested = 2 };
    enum class StartCheck { Ok, NoEntryChecked, NoOutputFolder, NoProfile, ProfileUnreadable, ProfileValues };
    enum class Outcome { Completed, Cancelled, EncoderMissing, Aborted };
    Q_ENUM(Outcome)
    enum class EntryResult { Made, Skipped, Failed };
    Q_ENUM(EntryResult)

    struct Failure
    {
        QString TargetFile;
        QString Reason;
    };

    explicit TConversionRun(TConversionHost &host, QObject *parent = nullptr);
    ~TConversionRun() override;

    // Start's checks, in order; the message box text and caption of a failed one.
    static StartCheck CheckStart(const TConversionRequest &request);
    static void StartCheckMessage(StartCheck check, const TConversionRequest &request, QString &text, QString &caption);

    // Builds the encoder options from the request's profile (filling the program-wide
    // TMencOutputSettings) and runs the conversion. Returns at once; Finished follows.
    void Start(const TConversionRequest &request);
    // The run itself, with encoder options already built and the settings they filled.
    void RunConversion(const TConversionRequest &request, const QString &encoderOptions,
                       const TMencOutputSettings &settings);

    // Stop: ends both tools; the pass under way ends and the cancel path follows.
    void RequestStop();
    // The clock: one tick a second while the run goes on.
    void timerTimeTimer();
    // The main window is closing: both tools end at once and are reaped, the intermediate
    // file goes, no message is shown. Finished(Aborted) follows at once.
    void Abort();

    bool IsActive() const { return m_active; }
    int ConversionState() const { return m_state; }
    const TProgressArithmetic &Figures() const { return m_figures; }
    const TConversionProgress &Progress() const { return m_figures.Progress(); }
    QString EncoderCommandLine() const { return m_encoderCommandLine; }
    QString TranscoderCommandLine() const { return m_transcoderCommandLine; }
    // The last entry's encoder and transcoder runs, as started.
    const TToolCommand &LastEncoderCommand() const { return m_lastEncoderCommand; }
    const TToolCommand &LastTranscoderCommand() const { return m_lastTranscoderCommand; }
    QString TargetFile() const { return m_targetFile; }
    const QList<Failure> &Failures() const { return m_failures; }
    const QStringList &MadeFiles() const { return m_madeFiles; }
    int SkippedCount() const { return m_skippedCount; }
    TProcessRunner &Runner() { return m_runner; }
    QTimer &Clock() { return m_clock; }

    // The closing message when some files could not be made.
    static QString FailureReport(const QList<Failure> &failures);
    // The closing message of a run in which nothing failed and nothing was made.
    static QString NothingMadeMessage();

signals:
    void ProgressChanged(const TConversionProgress &progress);
    // True: the progress panel replaces the choices panel; false: back again.
    void ProgressPanelShown(bool shown);
    void HintChanged(const QString &text);
    // The encoder pass's command line (the window's Memo2).
    void CommandLineChanged(const QString &text);
    // Each chunk of the encoder's and the transcoder's output (the window's Memo1).
    void ToolOutput(const QString &text);
    void Finished(TConversionRun::Outcome outcome);
    // Entry `index` of the request begins; TargetFile() names its file from here on.
    void EntryStarted(int index);
    // Entry `index` ended, one way or the other (a cancelled one does not end this way).
    void EntryFinished(int index, TConversionRun::EntryResult result);

private:
    enum class Phase {
        Idle,
        Between,
        ReadingSource,
        ReadingSubtitles,
        Prepass,
        EncoderPass,
        CheckingIntermediate,
        TranscoderPass,
        Streaming, // both passes at once, joined by a pipe
        CheckingTarget,
        Finishing
    };

    const TConversionEntry &Entry() const { return m_request.Entries.at(m_index); }
    void PostNextEntry();
    void NextEntry();
    void StartReadingSource();
    void OnSourceRead(const TSourceProbe::Result &result);
    // The chosen subtitle as a track of its own, where the preferences and the file want one.
    bool WantsSubtitleTrack() const;
    // The chosen subtitle read into a file for the converter: as a track, or, streamed, to lay
    // on the picture.
    bool WantsSubtitleFile() const;
    void OnSubtitlesRead(const TSubtitleTrack &track);
    void StartPrepass();
    void StartEncoderPass();
    void StartTranscoderPass();
    void EntryFailed(const QString &reason);
    void EntryDone(EntryResult result);
    void Finish();
    void FinishingAction();
    void CancelPath();
    void End(Outcome outcome);

    void OnToolStarted(TProcessRunner::Slot slot);
    void OnToolFailedToStart(TProcessRunner::Slot slot);
    void OnToolFinished(TProcessRunner::Slot slot, TProcessRunner::Result result);
    void OnProgressChunk(TProcessRunner::Slot slot, int index, const QString &text);
    void OnProbeFinished(const TMediaInfo &info);
    void ClaimTarget();
    // The watchdog: progress seen, and the check on every tick.
    void CheckStall();
    bool PrepareTranscoder(TToolCommand &command);
    // The hidden file the converter writes; false (the entry failed) when none can be made.
    bool PreparePartialFile();
    // The chapter marks' file for the converter; empty when the file takes none.
    QString WriteChapterMarks();
    // Streamed: the disc's span read into a pipe and the converter reading it, both at once;
    // neither can go on without the other.
    void StartStreamedPass();
    void OnSpanRead(const TTitleSpanReader::Result &result);
    void StreamedConverterFinished(const TProcessRunner::Result &result);
    void StreamedPassEnded();
    // The streamed pass's progress, from how far the reading has got.
    void StreamProgress();
    // A tool's failure, in the tool's own words where it left some.
    QString ToolFailure(TProcessRunner::Slot slot, const TProcessRunner::Result &result) const;
    // errorsOnly: words that read as an error, not just the tool's last line.
    QString WithToolWords(const QString &reason, TProcessRunner::Slot slot, bool errorsOnly) const;
    void DeletePartial();
    void Publish();
    // The intermediate file and what goes with it (chapter marks, subtitle track).
    void DeleteIntermediate();
    // The work folder's intermediate file, or one of this process's own beside it while
    // another run holds that one.
    QString ClaimIntermediateFile();
    // The intermediate's pictures a second: film's where the entry is made film again.
    double IntermediateFrameRate() const;

    TConversionHost &m_host;
    TProcessRunner m_runner;
    TMediaProbe m_probe;
    TSourceProbe m_source;
    TSubtitleExtraction m_subtitles;
    QTimer m_clock;

    TConversionRequest m_request;
    QString m_encoderOptions;
    TMencOutputSettings m_settings;
    QString m_outputFolder;
    QString m_intermediateFile;
    std::unique_ptr<QLockFile> m_intermediateLock;
    QString m_claimedFor; // the usual intermediate file the lock is for
    int m_serial = 0; // tells this run's own intermediate file from another run's in this process

    bool m_active = false;
    quint64 m_generation = 0; // outdated callbacks of an ended run do nothing
    int m_state = Idle;
    Phase m_phase = Phase::Idle;
    int m_index = -1;

    TProgressArithmetic m_figures;
    TConversionProgress m_published;
    bool m_publishedOnce = false;

    QHash<int, TScanType> m_scanTypes; // by title number, found once a run
    TEntryTimeline m_timeline; // the entry's, from the disc
    TPictureTreatment m_treatment;
    QString m_encoderCommandLine;
    QString m_transcoderCommandLine;
    TToolCommand m_lastEncoderCommand;
    TToolCommand m_lastTranscoderCommand;
    QString m_targetFile;
    QString m_claimName; // the name the claim starts from (before a rename)
    QString m_partialFile; // the hidden file the transcoder writes
    enum class Claim { Replace, NextFree, KeepExisting, AskIfTaken };
    Claim m_claim = Claim::KeepExisting;
    TTranscoderOptions m_transcoderOptions;
    bool m_intermediateHasAudio = false;
    double m_intermediateVideoEnd = 0; // seconds
    QList<Failure> m_failures;
    QStringList m_madeFiles;
    int m_skippedCount = 0;

    TStallWatch m_watch{m_runner};
    TSpanStreaming m_span;
    // How the reading and the converter of a streamed pass ended; ended: by the run, after the
    // other failed.
    struct StreamedEnds
    {
        bool readerDone = false, readerEnded = false;
        TTitleSpanReader::Result reader;
        bool converterDone = false, converterEnded = false;
        TProcessRunner::Result converter;
    };
    StreamedEnds m_streamed;
    qint64 m_readerBytes = -1; // the reading's progress at the last tick it moved
    double m_streamStart = 0; // the span's start on the stream's clock
    TScanType m_streamScan = TScanType::Progressive;
    qint64 m_streamFrames = 0; // pictures the converter has written
    QElapsedTimer m_readerQuiet;
    QList<double> m_programStarts; // the entry's title's, from the disc
    QString m_subtitleIndex; // the entry's subtitle track (.idx); empty: none
    QString m_streamReason; // decided before both ended (a stall, a converter that did not start)
};
