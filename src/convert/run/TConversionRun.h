#pragma once

#include "convert/run/RunTexts.h"
#include "convert/run/TConversionProgress.h"
#include "convert/run/TConversionRequest.h"
#include "convert/run/TEntryFiles.h"
#include "convert/run/TEntryPlan.h"
#include "convert/run/TProfileSnapshot.h"
#include "convert/run/TProgressArithmetic.h"
#include "convert/run/TStreamedPass.h"
#include "convert/tools/TMediaProbe.h"
#include "convert/tools/TProcessRunner.h"
#include "convert/tools/TSourceProbe.h"
#include "convert/tools/TStallWatch.h"
#include "convert/tools/TSubtitleExtraction.h"

#include <QHash>
#include <optional>
#include <QObject>
#include <QStringList>
#include <QTimer>

class TConversionHost;

// The conversion of all checked entries: for each one a look at how its title's pictures
// were made (once a title), a pre-pass, and then either the streamed pass (the disc's span
// read into the converter, the default) or the encoder pass into the intermediate file and the
// transcoder pass into the target file; driven by the tools' signals and a one-second clock (no
// waiting loops). Progress goes out as signals that the window copies into its controls;
// questions and messages go through the host.
//
// An entry fails, with the reason, when a folder has no room for it, when a tool ends with
// a non-zero status or stops making progress, or when what it wrote does not hold the
// entry's whole span (read back with the transcoder); the run goes on with the next entry
// and names the failed files at the end. The target is written under a hidden name beside
// it and takes its real name only once checked, so no broken file carries a real name.
//
// Where the run is, is its phase alone, and a stop asked for; the phases of an entry follow
// one another in the order below (ReadingSubtitles and the passes where they apply).
class TConversionRun : public QObject
{
    Q_OBJECT
public:
    enum State { Idle = 0, Running = 1, CancelRequested = 2 };
    enum class Outcome { Completed, Cancelled, EncoderMissing, Aborted };
    Q_ENUM(Outcome)
    enum class EntryResult { Made, Skipped, Failed };
    Q_ENUM(EntryResult)

    explicit TConversionRun(TConversionHost &host, QObject *parent = nullptr);
    ~TConversionRun() override;

    // Takes the profile as it is now (the encoder's and the converter's options) and runs the
    // conversion. Returns at once; Finished follows.
    void Start(const TConversionRequest &request);

    // Stop: ends both tools; the pass under way ends and the cancel path follows.
    void RequestStop();
    // The clock: one tick a second while the run goes on.
    void timerTimeTimer();
    // The main window is closing: both tools end at once and are reaped, the intermediate
    // file goes, no message is shown. Finished(Aborted) follows at once.
    void Abort();

    bool IsActive() const { return m_phase != Phase::Idle; }
    // 0 idle, 1 running, 2 a stop asked for (and after a stopped run, until the next Start).
    int ConversionState() const;
    const TConversionProgress &Progress() const { return m_figures.Progress(); }
    // The last entry's encoder and transcoder runs, as started.
    const TToolCommand &LastEncoderCommand() const { return m_lastEncoderCommand; }
    const TToolCommand &LastTranscoderCommand() const { return m_lastTranscoderCommand; }
    QString TargetFile() const { return m_plan.TargetFile; }
    const QList<TConversionFailure> &Failures() const { return m_failures; }
    const QStringList &MadeFiles() const { return m_madeFiles; }
    TProcessRunner &Runner() { return m_runner; }
    QTimer &Clock() { return m_clock; }

signals:
    void ProgressChanged(const TConversionProgress &progress);
    // True: the progress panel replaces the choices panel; false: back again.
    void ProgressPanelShown(bool shown);
    void HintChanged(const QString &text);
    // The command line of the entry's first pass (the window's Memo2).
    void CommandLineChanged(const QString &text);
    // Each chunk of the tools' output (the window's Memo1).
    void ToolOutput(const QString &text);
    void Finished(TConversionRun::Outcome outcome);
    // Entry `index` of the request begins; TargetFile() names its file from here on.
    void EntryStarted(int index);
    // Entry `index` ended, one way or the other (a cancelled one does not end this way).
    void EntryFinished(int index, TConversionRun::EntryResult result);

private:
    enum class Phase {
        Idle, // no run
        Between, // an entry has ended or is about to begin
        ReadingSource, // how the title's pictures were made, where the entry begins (TSourceProbe)
        ReadingSubtitles, // the chosen subtitle of the span into a VobSub pair
        Prepass, // the encoder's short run on the title
        Streaming, // the disc's span read into the converter (TStreamedPass)
        EncoderPass, // through a file: the encoder writes the intermediate file
        CheckingIntermediate, // and it is read back
        CheckingVideo, // and the disc's span is read through for damage the encoder passed over
        TranscoderPass, // the converter turns it into the target
        CheckingTarget, // the target is read back
        Finishing // the last entry is done, or the run is being stopped
    };

    const TConversionEntry &Entry() const { return m_plan.Entry; }
    void PostNextEntry();
    // The disc's span of the entry, as the readers take it.
    TTitleSpanReader::Span EntrySpan() const;
    void OnVideoChecked(const TTitleSpanReader::Result &result);
    // The intermediate file is whole: on to the converter once the span's reading has found
    // no damage.
    void AfterVideoCheck();
    // The tools' own folder and what they may read from here on (the disc, the work folder).
    void FenceTools();
    void NextEntry();
    // The existing-file rule, with its question; false when the entry goes no further.
    bool ChooseTarget();
    // The question about an existing `file`; true to replace it. A "to all" answer becomes
    // the rule for the rest of the run.
    bool AskOverwrite(const QString &file);
    void OnSourceRead(const TSourceProbe::Result &result);
    // The chosen subtitle as a track of its own, where the preferences and the file want one.
    bool WantsSubtitleTrack() const;
    void OnSubtitlesRead(const TSubtitleTrack &track);
    void StartPrepass();
    void AfterPrepass();
    void StartStreamedPass();
    void OnStreamedPassEnded(const QString &reason);
    void StartEncoderPass();
    void StartTranscoderPass();
    // The hidden file the converter writes; false (the entry failed) when none can be made.
    bool PreparePartialFile();
    // The chapter marks' file for the converter; empty when the file takes none.
    QString WriteChapterMarks() const;
    void CheckTarget();
    void ClaimTarget();
    void EntryFailed(const QString &reason);
    void EntryDone(EntryResult result);
    void Finish();
    void FinishingAction();
    void CancelPath();
    // The tools and readers that may still run are ended.
    void StopReaders();
    void End(Outcome outcome);

    void OnToolStarted(TProcessRunner::Slot slot);
    void OnToolFailedToStart(TProcessRunner::Slot slot);
    void OnToolFinished(TProcessRunner::Slot slot, TProcessRunner::Result result);
    void OnToolOutput(TProcessRunner::Slot slot, const QString &text);
    void OnProgressChunk(TProcessRunner::Slot slot, int index, const QString &text);
    void OnProbeFinished(const TMediaInfo &info);
    // A tool's failure, in the tool's own words where it left some.
    QString ToolFailure(TProcessRunner::Slot slot, const TProcessRunner::Result &result) const;
    // errorsOnly: words that read as an error, not just the tool's last line.
    QString WithToolWords(const QString &reason, TProcessRunner::Slot slot, bool errorsOnly) const;
    void Publish();
    // Whether the disc's own bars are found (once a title) and cropped: where the profile asks
    // and the converter reads the disc itself; through a file the encoder has scaled already.
    bool CropsBars() const;
    // The intermediate's pictures a second: film's where the entry is made film again.
    double IntermediateFrameRate() const;

    TConversionHost &m_host;
    TProcessRunner m_runner;
    TStallWatch m_watch{m_runner};
    TMediaProbe m_probe;
    TSourceProbe m_source;
    TSubtitleExtraction m_subtitles;
    TStreamedPass m_streamed{m_runner, m_watch};
    // Through a file, the span is read beside the encoder: it tells damage from video, the
    // encoder does not (it fills a gap with the next pictures it finds).
    TSpanStreaming m_videoCheck;
    std::optional<TTitleSpanReader::Result> m_videoChecked;
    QString m_encoderFailure; // the encoder's own reason, said when the reading found no damage
    TEntryFiles m_files;
    QTimer m_clock;

    TConversionRequest m_request;
    TProfileSnapshot m_profile; // taken at Start
    QString m_outputFolder;

    Phase m_phase = Phase::Idle;
    bool m_stopAsked = false;
    int m_endState = Idle; // ConversionState() once a run has ended
    quint64 m_generation = 0; // queued calls of an ended run do nothing
    int m_index = -1;
    TEntryPlan m_plan; // the entry under way
    QHash<int, TScanType> m_scanTypes; // by title number, found once a run
    QHash<int, TPictureCrop> m_crops; // the same

    TProgressArithmetic m_figures;
    TConversionProgress m_published;
    bool m_publishedOnce = false;

    TToolCommand m_lastEncoderCommand;
    TToolCommand m_lastTranscoderCommand;
    bool m_intermediateHasAudio = false;
    double m_intermediateVideoEnd = 0; // seconds
    QList<TConversionFailure> m_failures;
    QStringList m_madeFiles;
    int m_skipped = 0;
};
