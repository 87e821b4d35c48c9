#include "TBatchConversion.h"

#include "core/RawPathAlias.h"


#include "core/AppFolders.h"
#include "core/EQuarnelError.h"
#include "core/OutputExt.h"
#include "core/PathText.h"
#include "core/PowerManager.h"
#include "core/SegmentTimes.h"
#include "core/TDVDInformation.h"
#include "dvd/DvdScan.h"
#include "profiles/MainPreferences.h"
#include "profiles/TNewInifile.h"
#include "profiles/TPreferences.h"
#include "tasklist/TargetNames.h"

#include <QFileInfo>
#include <QTimer>

TBatchConversion::TBatchConversion(std::FILE *err, bool interactive, QObject *parent)
    : QObject(parent)
    , m_err(err)
    , m_interactive(interactive)
    , m_run(*this)
{
    connect(&m_run, &TConversionRun::ProgressChanged, this, &TBatchConversion::OnProgress);
    connect(&m_run, &TConversionRun::EntryStarted, this, [this](int index) {
        m_entry = index;
        m_entryEnded = false;
    });
    connect(&m_run, &TConversionRun::EntryFinished, this, &TBatchConversion::OnEntryFinished);
    connect(&m_run, &TConversionRun::Finished, this, &TBatchConversion::OnFinished);
}

void TBatchConversion::Complain(const QString &text)
{
    Write(QStringLiteral("quarnel: ") + text);
}

bool TBatchConversion::Fail(const QString &text)
{
    Complain(text);
    return false;
}

void TBatchConversion::Write(const QString &line)
{
    std::fputs(RawPathAlias::Shown(line).toLocal8Bit().constData(), m_err);
    std::fputc('\n', m_err);
    std::fflush(m_err);
}

bool TBatchConversion::Prepare(const TBatchOptions &options)
{
    // The Settings dialog's stored preferences: the work folder and the rule for existing files.
    TPreferences stored = TPreferences::Defaults(AppFolders::DefaultOutputDir(), AppFolders::FallbackWorkDir());
    try {
        stored = TPreferences::Read(TNewInifile(AppFolders::PreferencesFile()), QStringLiteral("Main"),
                                    AppFolders::DefaultOutputDir(), AppFolders::FallbackWorkDir());
    } catch (const EQuarnelError &e) {
        Complain(e.text() + QStringLiteral(" The default preferences apply."));
    }
    for (const QString &note : std::as_const(stored.Notes))
        Complain(note);
    AppFolders::SetWorkDir(EnsureTrailingBackslash(stored.WorkDir));

    // What a damaged disc leaves out is said; the titles that were read can be converted.
    QStringList notes;
    try {
        OpenDvdForScript(options.DvdPath, m_list, &notes);
    } catch (const EQuarnelError &e) {
        for (const QString &note : std::as_const(notes))
            Complain(note);
        return Fail(e.text());
    }
    for (const QString &note : std::as_const(notes))
        Complain(note);
    if (m_list.IsEmpty())
        return Fail(QStringLiteral("The DVD at \"%1\" has no titles.").arg(options.DvdPath));
    if (!ChooseProfile(options))
        return false;

    QList<QModelIndex> selected;
    if (!SelectEntries(options, selected) || !ApplyChoices(options, selected) || !ApplyTrim(options, selected))
        return false;

    m_request.Entries = CollectCheckedEntries(m_list, DvdInfo.DvdPath);
    const QString outputDir = options.OutputDir.isEmpty() ? MainPreferences::OutputPath() : options.OutputDir;
    m_request.OutputDirText = EnsureTrailingBackslash(outputDir);
    m_request.Grids = &*m_profile;
    m_request.Dvd = DvdInfo;
    m_request.OutputExt = OutputExt();

    const TStartCheck check = CheckStart(m_request);
    if (check != TStartCheck::Ok) {
        QString text, caption;
        StartCheckMessage(check, m_request, text, caption);
        if (check == TStartCheck::NoOutputFolder)
            text += QStringLiteral(" (\"%1\")").arg(outputDir);
        return Fail(text);
    }
    return ChooseExisting(options, TConversionPreferences::FromStored(stored));
}

bool TBatchConversion::ChooseProfile(const TBatchOptions &options)
{
    const QStringList names = MainPreferences::ProfileNames();
    if (names.isEmpty())
        return Fail(QStringLiteral("There is no profile in \"%1\".").arg(AppFolders::ProfilesFolder()));
    QString name;
    if (options.Profile.isEmpty()) {
        const int index = MainPreferences::ProfileIndex(names.size());
        if (index < 0)
            return Fail(QStringLiteral("No profile is chosen yet; name one with --profile: %1.")
                            .arg(names.join(QStringLiteral(", "))));
        name = names.at(index);
    } else if (names.contains(options.Profile)) {
        name = options.Profile; // first: two profiles here may differ only in case
    } else {
        for (const QString &candidate : names) {
            if (candidate.compare(options.Profile, Qt::CaseInsensitive) == 0) {
                name = candidate;
                break;
            }
        }
        if (name.isEmpty())
            return Fail(QStringLiteral("There is no profile named \"%1\". The profiles are: %2.")
                            .arg(options.Profile, names.join(QStringLiteral(", "))));
    }
    m_request.ProfileFile = MainPreferences::ProfileFile(name);
    m_profile.emplace(TProfileValues::FromFile(m_request.ProfileFile));
    SetOutputExt(m_profile->Profile().OutputExtension());
    return true;
}

bool TBatchConversion::SelectEntries(const TBatchOptions &options, QList<QModelIndex> &selected)
{
    const QList<QModelIndex> all = m_list.AllEntries();
    if (options.Entries.isEmpty()) {
        // What the window checks after opening: the longest title.
        for (const QModelIndex &index : all) {
            if (m_list.Entry(index)->Checked)
                selected << index;
        }
        return true;
    }
    m_list.UncheckAll();
    for (const QString &name : options.Entries) {
        QModelIndex found;
        for (const QModelIndex &index : all) {
            if (m_list.Entry(index)->OutputName.compare(name, Qt::CaseInsensitive) == 0) {
                found = index;
                break;
            }
        }
        if (!found.isValid()) {
            const QString first = m_list.Entry(m_list.index(0, 0))->OutputName;
            const QString last = m_list.Entry(m_list.index(m_list.rowCount() - 1, 0))->OutputName;
            const QString titles = first == last ? QStringLiteral("its only title is %1").arg(first)
                                                 : QStringLiteral("its titles are %1 to %2").arg(first, last);
            return Fail(QStringLiteral("There is no entry named \"%1\" on this DVD: %2, "
                                       "their chapters %3-Chapter01 and so on.")
                            .arg(name, titles, first));
        }
        if (!selected.contains(found)) {
            m_list.SetChecked(found, true);
            selected << found;
        }
    }
    return true;
}

bool TBatchConversion::ApplyChoices(const TBatchOptions &options, const QList<QModelIndex> &selected)
{
    for (const QModelIndex &index : selected) {
        const TTaskNodeData *title = m_list.Entry(m_list.TitleOf(index));
        const struct
        {
            TTaskListModel::Choice choice;
            const char *option;
            int value;
            qsizetype count;
        } choices[] = {{TTaskListModel::Choice::Audio, "audio", options.Audio, title->AudioTracks.size()},
                       {TTaskListModel::Choice::Subtitle, "subtitle", options.Subtitle, title->Subtitles.size()},
                       {TTaskListModel::Choice::Angle, "angle", options.Angle, title->AngleCount}};
        for (const auto &c : choices) {
            // 0 is always allowed: it is what the window stores when a list is empty.
            if (c.value > 0 && c.value >= c.count)
                return Fail(QStringLiteral("--%1 %2 is out of range: %3 offers %4.")
                                .arg(QLatin1String(c.option))
                                .arg(c.value)
                                .arg(m_list.Entry(index)->OutputName, c.count > 1
                                                                          ? QStringLiteral("0 to %1").arg(c.count - 1)
                                                                          : QStringLiteral("only 0")));
            m_list.StoreChoice(index, c.choice, c.value);
        }
        QList<int> more = options.MoreAudio;
        if (options.AllAudio) {
            more.clear();
            for (int i = 1; i < title->AudioTracks.size(); ++i)
                more << i;
        }
        for (const int track : std::as_const(more)) {
            if (track >= title->AudioTracks.size())
                return Fail(QStringLiteral("--audio %1 is out of range: %2 offers %3.")
                                .arg(track)
                                .arg(m_list.Entry(index)->OutputName,
                                     title->AudioTracks.size() > 1
                                         ? QStringLiteral("0 to %1").arg(title->AudioTracks.size() - 1)
                                         : QStringLiteral("only 0")));
        }
        m_list.Entry(index)->MoreAudioIndexes = more;
    }
    return true;
}

bool TBatchConversion::ApplyTrim(const TBatchOptions &options, const QList<QModelIndex> &selected)
{
    if (options.Start.isEmpty() && options.End.isEmpty())
        return true;
    if (selected.size() != 1)
        return Fail(QStringLiteral("--start and --end trim a single entry; name one with --entries."));
    const QModelIndex index = selected.constFirst();
    TTaskNodeData &entry = *m_list.Entry(index);
    const QString startText = options.Start.isEmpty() ? entry.StartText : options.Start;
    const QString endText = options.End.isEmpty() ? entry.EndText : options.End;
    // The segment editor's own rules: whole seconds within the entry, the start before the end.
    const SegmentTimes::SliderValues range = SegmentTimes::SliderValuesOf(entry);
    const QString span =
        QStringLiteral("%1 runs from %2 to %3").arg(entry.OutputName, entry.OrigStartText, entry.OrigEndText);
    int start = 0, end = 0;
    if (!SegmentTimes::IsValidStartText(startText, range.Min, range.Max, start))
        return Fail(QStringLiteral("The start \"%1\" is no time within the entry: %2.").arg(startText, span));
    if (!SegmentTimes::IsValidEndText(endText, range.Min, range.Max, end))
        return Fail(QStringLiteral("The end \"%1\" is no time within the entry: %2.").arg(endText, span));
    if (start >= end || SegmentTimes::CheckOkTexts(startText, endText, start, end) != SegmentTimes::OkRefusal::None)
        return Fail(QStringLiteral("The start \"%1\" does not lie before the end \"%2\".").arg(startText, endText));
    SegmentTimes::StoreTimes(entry, startText, endText);
    m_list.EntryChanged(index);
    return true;
}

bool TBatchConversion::ChooseExisting(const TBatchOptions &options, const TConversionPreferences &stored)
{
    using WhenExists = TConversionPreferences::WhenExists;
    WhenExists existing = stored.Existing;
    switch (options.Existing) {
    case TBatchOptions::IfExists::FromPreferences:
        break;
    case TBatchOptions::IfExists::Ask:
        if (!m_interactive)
            return Fail(QStringLiteral("--if-exists ask needs a terminal to ask on; use overwrite, rename or skip."));
        existing = WhenExists::Ask;
        break;
    case TBatchOptions::IfExists::Overwrite:
        existing = WhenExists::Overwrite;
        break;
    case TBatchOptions::IfExists::Rename:
        existing = WhenExists::Rename;
        break;
    case TBatchOptions::IfExists::Skip:
        existing = WhenExists::Skip;
        break;
    }
    if (existing == WhenExists::Ask && !m_interactive) {
        // The stored rule asks; without a terminal that is refused only when there is something to ask about.
        for (const TConversionEntry &entry : std::as_const(m_request.Entries)) {
            const QFileInfo target(TargetFileName(m_request.OutputDirText, m_request.Dvd.VolumeName,
                                                  entry.Data.OutputName, m_request.OutputExt));
            if (target.exists() || target.isSymLink())
                return Fail(
                    QStringLiteral("\"%1\" exists and the preferences say to ask before overwriting it, but there "
                                   "is no terminal to ask on; use --if-exists overwrite, rename or skip.")
                        .arg(target.filePath()));
        }
    }
    // The stored preferences hold (the stall time, the intermediate); opening a folder or
    // leaving a window means nothing here.
    m_request.Preferences = stored;
    m_request.Preferences.ExitWhenDone = false;
    m_request.Preferences.OpenFolderWhenDone = false;
    m_request.Preferences.Existing = existing;
    if (options.ChapterMarks != TBatchOptions::Marks::FromPreferences)
        m_request.Preferences.ChapterMarks = options.ChapterMarks == TBatchOptions::Marks::On;
    if (options.Subtitles != TBatchOptions::SubtitleMode::FromPreferences)
        m_request.Preferences.SubtitleTrack = options.Subtitles == TBatchOptions::SubtitleMode::Track;
    switch (options.Intermediate) {
    case TBatchOptions::IntermediateKind::FromPreferences:
        break;
    case TBatchOptions::IntermediateKind::Streamed:
        m_request.Preferences.StreamedIntermediate = true;
        break;
    case TBatchOptions::IntermediateKind::High:
        m_request.Preferences.StreamedIntermediate = false;
        m_request.Preferences.HighQualityIntermediate = true;
        break;
    case TBatchOptions::IntermediateKind::ProfileBitrate:
        m_request.Preferences.StreamedIntermediate = false;
        m_request.Preferences.HighQualityIntermediate = false;
        break;
    }
    return true;
}

void TBatchConversion::Start()
{
    if (m_interrupted) {
        Inform(QStringLiteral("The conversion is canceled."), QString());
        emit Done(Interrupted);
        return;
    }
    PowerManager::Instance().InhibitSuspend();
    m_run.Start(m_request);
}

void TBatchConversion::Interrupt()
{
    if (!m_run.IsActive()) {
        m_interrupted = true; // before the start: Start ends at once
        return;
    }
    if (m_interrupted) {
        m_run.Abort();
        return;
    }
    m_interrupted = true;
    Write(QStringLiteral("Stopping; interrupt again to stop at once."));
    m_run.RequestStop();
}

QString TBatchConversion::EntryName(int index) const
{
    return index >= 0 && index < m_request.Entries.size() ? m_request.Entries.at(index).Data.OutputName : QString();
}

QString TBatchConversion::ProgressLine(const QString &entryName, const TConversionProgress &progress)
{
    QStringList parts{QStringLiteral("%1 current, %2 total").arg(progress.CurProgressText, progress.TotalProgressText)};
    if (!progress.FrameText.isEmpty())
        parts << QStringLiteral("frames ") + progress.FrameText;
    if (!progress.ElapsedText.isEmpty())
        parts << QStringLiteral("elapsed ") + progress.ElapsedText;
    if (!progress.RemainingText.isEmpty())
        parts << QStringLiteral("remaining ") + progress.RemainingText;
    return entryName + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

void TBatchConversion::OnProgress(const TConversionProgress &progress)
{
    if (m_entryEnded || (m_sinceLine.isValid() && m_sinceLine.elapsed() < 1000))
        return;
    Write(ProgressLine(EntryName(m_entry), progress));
    m_sinceLine.start();
}

void TBatchConversion::OnEntryFinished(int index, TConversionRun::EntryResult result)
{
    QString outcome;
    switch (result) {
    case TConversionRun::EntryResult::Made:
        outcome = QStringLiteral("made ") + m_run.TargetFile();
        break;
    case TConversionRun::EntryResult::Skipped:
        outcome = QStringLiteral("skipped, ") + m_run.TargetFile() + QStringLiteral(" exists");
        break;
    case TConversionRun::EntryResult::Failed:
        outcome = QStringLiteral("failed: ") + m_run.Failures().constLast().Reason;
        break;
    }
    Write(ProgressLine(EntryName(index), m_run.Progress()) + QStringLiteral(" - ") + outcome);
    m_entryEnded = true;
    m_sinceLine.start();
}

void TBatchConversion::EndOpenEntry()
{
    if (m_entryEnded)
        return;
    Write(ProgressLine(EntryName(m_entry), m_run.Progress()) + QStringLiteral(" - cancelled"));
    m_entryEnded = true;
}

void TBatchConversion::OnFinished(TConversionRun::Outcome outcome)
{
    if (outcome == TConversionRun::Outcome::Aborted) {
        EndOpenEntry();
        Write(QStringLiteral("The conversion is canceled."));
    }
    switch (outcome) {
    case TConversionRun::Outcome::Completed:
        emit Done(m_run.Failures().isEmpty() ? Success : SomeFailed);
        break;
    case TConversionRun::Outcome::EncoderMissing:
        emit Done(SomeFailed);
        break;
    case TConversionRun::Outcome::Cancelled:
    case TConversionRun::Outcome::Aborted:
        emit Done(Interrupted);
        break;
    }
}

void TBatchConversion::Inform(const QString &text, const QString &)
{
    // The cancel message follows the line of the entry it stopped.
    EndOpenEntry();
    Write(text);
}

void TBatchConversion::Warn(const QString &text, const QString &)
{
    Write(text);
}

void TBatchConversion::ReportStartFailure(const QString &text)
{
    Complain(QStringLiteral("%1 (a tool could not be started: \"%2\" or \"%3\")")
                 .arg(text, AppFolders::EncoderExe(), AppFolders::TranscoderExe()));
}

TOverwriteAnswer TBatchConversion::AskOverwrite(const QString &text, const QString &)
{
    if (!m_interactive) {
        Write(text + QStringLiteral(" No: there is no terminal to answer on."));
        return TOverwriteAnswer::No;
    }
    std::fputs((text + QStringLiteral(" [y/N] ")).toLocal8Bit().constData(), m_err);
    std::fflush(m_err);
    char answer[64] = {};
    // An interrupt ends the read (no restart): the cancel path follows.
    if (!std::fgets(answer, sizeof answer, stdin))
        return TOverwriteAnswer::No;
    return answer[0] == 'y' || answer[0] == 'Y' ? TOverwriteAnswer::Yes : TOverwriteAnswer::No;
}

void TBatchConversion::HideBusyHint(std::function<void()> whenClosed)
{
    QTimer::singleShot(0, this, std::move(whenClosed));
}
