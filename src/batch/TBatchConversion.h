#pragma once

#include "TBatchOptions.h"
#include "convert/run/TConversionHost.h"
#include "convert/run/TConversionRequest.h"
#include "convert/run/TConversionRun.h"
#include "profiles/TProfileValues.h"
#include "tasklist/TTaskListModel.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstdio>
#include <optional>

// `quarnel --convert`: the window's conversion without the window. It opens the DVD, the
// profile and the preferences through the same model code the window uses, sets up the
// entries as the user would in the task list, and runs the same TConversionRun, answering
// its questions on the terminal and writing its progress as lines.
class TBatchConversion : public QObject, private TConversionHost
{
    Q_OBJECT
public:
    enum ExitCode { Success = 0, SomeFailed = 1, BadArguments = 2, Interrupted = 130 };

    // Messages and progress go to `err`; `interactive`: there is a terminal to ask on.
    TBatchConversion(std::FILE *err, bool interactive, QObject *parent = nullptr);

    // Everything before the first tool starts: preferences, DVD, profile, entries, choices,
    // trim and the checks of Start. False, with the reason written, when the conversion
    // cannot begin.
    bool Prepare(const TBatchOptions &options);
    // Starts what Prepare set up; Done follows.
    void Start();
    // Ctrl+C, SIGTERM, a closed terminal or output: the cancel path (both tools end, the
    // intermediate file goes). A second one ends the tools at once.
    void Interrupt();

    const TConversionRequest &Request() const { return m_request; }

    // A progress line: entry name, current and total percent, frames, elapsed and remaining
    // time. Empty figures (before the first tick) are left out.
    static QString ProgressLine(const QString &entryName, const TConversionProgress &progress);

signals:
    void Done(int exitCode);

private:
    // A message of the program's own ("quarnel: ..."); Fail also answers false.
    void Complain(const QString &text);
    bool Fail(const QString &text);
    void Write(const QString &line);
    bool SelectEntries(const TBatchOptions &options, QList<QModelIndex> &selected);
    bool ApplyChoices(const TBatchOptions &options, const QList<QModelIndex> &selected);
    bool ApplyTrim(const TBatchOptions &options, const QList<QModelIndex> &selected);
    bool ChooseProfile(const TBatchOptions &options);
    bool ChooseExisting(const TBatchOptions &options, const TConversionPreferences &stored);
    QString EntryName(int index) const;

    void OnProgress(const TConversionProgress &progress);
    void OnEntryFinished(int index, TConversionRun::EntryResult result);
    void OnFinished(TConversionRun::Outcome outcome);
    // The final line of an entry the run left without ending it: a cancelled one.
    void EndOpenEntry();

    void Inform(const QString &text, const QString &caption) override;
    void Warn(const QString &text, const QString &caption) override;
    void ReportStartFailure(const QString &text) override;
    TOverwriteAnswer AskOverwrite(const QString &text, const QString &caption) override;
    bool TurnOffChecked() const override { return false; }
    void OpenFolder(const QString &) override { }
    void HideBusyHint(std::function<void()> whenClosed) override;
    void CloseMainWindow() override { }

    std::FILE *m_err;
    bool m_interactive;
    TTaskListModel m_list;
    std::optional<TProfileValues> m_profile;
    TConversionRequest m_request;
    TConversionRun m_run;
    int m_entry = -1; // the entry under way
    bool m_entryEnded = true; // its final line is written
    QElapsedTimer m_sinceLine;
    bool m_interrupted = false;
};
