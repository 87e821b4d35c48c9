// Headless driver of the conversion engine for bench/conversion_bench.sh: converts one DVD
// title exactly as Start does (pre-pass, encoder pass, transcoder pass, with the progress
// arithmetic running), then prints its time, its own peak memory and writes the two tool
// command lines it ran, one argument per line, so they can be run again by hand.
//
// conversion_bench PROGRAM_DIR DVD_DIR TITLE PROFILE_NAME OUT_DIR WORK_DIR COMMANDS_DIR

#include "convert/run/TConversionHost.h"
#include "convert/run/TConversionRun.h"
#include "core/AppFolders.h"
#include "core/TDVDInformation.h"
#include "dvd/DvdTitleLoader.h"
#include "profiles/TProfileValues.h"
#include "tasklist/TTaskListModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

class QuietHost : public TConversionHost
{
public:
    void Inform(const QString &text, const QString &) override { Note(text); }
    void Warn(const QString &text, const QString &) override { Note(text); }
    void ReportStartFailure(const QString &text) override { Note(text); }
    TOverwriteAnswer AskOverwrite(const QString &, const QString &) override { return TOverwriteAnswer::Yes; }
    bool TurnOffChecked() const override { return false; }
    void OpenFolder(const QString &) override { }
    void HideBusyHint(std::function<void()> whenClosed) override { QTimer::singleShot(0, std::move(whenClosed)); }
    void CloseMainWindow() override { }
    QStringList notes;

private:
    void Note(const QString &text) { notes << text; }
};

bool WriteCommand(const QString &file, const TToolCommand &command)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&f);
    out << command.Program() << '\n';
    for (const QString &a : command.Arguments())
        out << a << '\n';
    return true;
}

long PeakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8) {
        std::fprintf(stderr,
                     "usage: conversion_bench PROGRAM_DIR DVD_DIR TITLE PROFILE_NAME OUT_DIR WORK_DIR COMMANDS_DIR\n");
        return 2;
    }
    const QString program = args.at(1), dvd = args.at(2), profileName = args.at(4), out = args.at(5), work = args.at(6),
                  commands = args.at(7);
    const int title = args.at(3).toInt();
    AppFolders::SetAppDir(program);
    AppFolders::SetWorkDir(work);

    TTaskListModel list;
    DvdTitleLoader().LoadDvdTitles(dvd, list);
    list.UncheckAll();
    const QModelIndex entry = list.index(title - 1, 0);
    if (!list.Entry(entry)) {
        std::fprintf(stderr, "no title %d in %s\n", title, qPrintable(dvd));
        return 2;
    }
    list.SetChecked(entry, true);

    const QString profile = AppFolders::ProfilesFolder() + profileName + QStringLiteral(".apf");
    const TProfileValues grids = TProfileValues::FromFile(profile);
    TConversionRequest request;
    request.Entries = CollectCheckedEntries(list, DvdInfo.DvdPath);
    request.OutputDirText = out.endsWith(QLatin1Char('/')) ? out : out + QLatin1Char('/');
    request.ProfileFile = profile;
    request.Grids = &grids;
    request.Dvd = DvdInfo;
    request.OutputExt = grids.Profile().OutputExtension();
    request.Preferences.Existing = TConversionPreferences::WhenExists::Overwrite;

    QuietHost host;
    TConversionRun run(host);
    QElapsedTimer clock;
    int status = 1;
    QObject::connect(&run, &TConversionRun::Finished, &app, [&](TConversionRun::Outcome outcome) {
        const qint64 ms = clock.elapsed();
        const bool ok =
            outcome == TConversionRun::Outcome::Completed && run.Failures().isEmpty() && !run.MadeFiles().isEmpty();
        std::printf("engine_ms=%lld\n", static_cast<long long>(ms));
        std::printf("engine_peak_rss_kb=%ld\n", PeakResidentKb());
        std::printf("target=%s\n", qPrintable(run.MadeFiles().value(0)));
        for (const QString &note : std::as_const(host.notes))
            std::printf("note=%s\n", qPrintable(QString(note).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        if (ok && WriteCommand(commands + QStringLiteral("/encoder.args"), run.LastEncoderCommand())
            && WriteCommand(commands + QStringLiteral("/transcoder.args"), run.LastTranscoderCommand()))
            status = 0;
        app.quit();
    });
    clock.start();
    run.Start(request);
    app.exec();
    return status;
}
