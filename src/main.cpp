#include "batch/TBatchConversion.h"
#include "batch/TBatchOptions.h"
#include "batch/TCancelSignals.h"
#include "core/RawPathAlias.h"
#include "core/AppFolders.h"
#include "core/EQuarnelError.h"
#include "core/ProgramInfo.h"
#include "dvd/DvdScan.h"
#include "profiles/MainPreferences.h"

#include <QCoreApplication>
#include <QTimer>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const char kUsage[] = "Usage:\n"
                      "  quarnel [PATH...]        start the program; each PATH (a DVD folder, a file inside one,\n"
                      "                           an .iso image, or one .tmp file listing such paths) is opened\n"
                      "                           in turn\n"
                      "  quarnel --scan PATH      print what the program reads from the DVD at PATH (a folder\n"
                      "                           or an .iso image) as JSON; exit status 1 when no title can\n"
                      "                           be read, what is left out of a damaged disc on standard error\n"
                      "  quarnel --convert PATH [OPTION...]\n"
                      "                           convert the DVD at PATH without a window, as Start does,\n"
                      "                           with the profile, folder and preferences the window would use\n"
                      "  quarnel --help           show this text\n"
                      "\n"
                      "Options of --convert (each also as --name=value):\n"
                      "  --output DIR             the output folder (default: the window's Output Path)\n"
                      "  --profile NAME           a profile of the Profiles folder, without .apf\n"
                      "                           (default: the profile the window shows at start)\n"
                      "  --entries LIST           output names separated by commas, e.g. Title02,Title01-Chapter03;\n"
                      "                           converted in the order of the DVD's list, whatever order\n"
                      "                           they are named in (default: the longest title)\n"
                      "  --audio LIST             audio tracks, counted from 0 as in the Audio Track list, separated\n"
                      "                           by commas, or all; the first is the file's first, the others\n"
                      "                           go into MKV, MP4 and MOV files (default 0)\n"
                      "  --subtitle N             subtitle as in the Sub Title list: 0 is none (default 0)\n"
                      "  --angle N                angle, counted from 0 (default 0)\n"
                      "  --start TIME, --end TIME trim a single entry; TIME as hh:mm:ss within the entry\n"
                      "  --if-exists MODE         when an output file exists: ask, overwrite, rename or skip\n"
                      "                           (default: the preferences; ask needs a terminal)\n"
                      "  --intermediate MODE      streamed (both tools at once, no file between them), high\n"
                      "                           or bitrate (a file between them, at high quality or at the\n"
                      "                           profile's bitrate); default: the preferences\n"
                      "  --chapter-marks on|off   a mark at each chapter in MKV, MP4 and MOV files\n"
                      "                           (default: the preferences, on)\n"
                      "  --subtitle-mode MODE     burn (the chosen subtitle into the picture) or track (a\n"
                      "                           subtitle track to switch on and off, in MKV files for any\n"
                      "                           player and MP4 files for players built on FFmpeg, such as\n"
                      "                           mpv and VLC; other files have it burnt in);\n"
                      "                           default: the preferences, burn\n"
                      "\n"
                      "--convert writes a progress line a second at most and a final line per entry to\n"
                      "standard error. Ctrl+C, SIGTERM, a closed terminal (SIGHUP) or a closed output\n"
                      "(SIGPIPE) cancels: both tools end, the intermediate and partial files are deleted.\n"
                      "A file counts as made only once it has been read back whole.\n"
                      "Exit status: 0 every entry made, 1 some failed (each named), 2 bad arguments\n"
                      "or a DVD that cannot be opened (no tool started), 130 cancelled.\n";

int Scan(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = RawPathAlias::ProgramArguments(argc, argv);
    if (args.size() != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // A damaged disc's notes (title sets left out, backups read) go to standard error; the
    // titles that were read are listed all the same.
    QStringList lines;
    int status = 0;
    QByteArray json;
    try {
        json = ScanDvd(args.at(2), &lines);
    } catch (const EQuarnelError &e) {
        lines << e.text();
        status = 1;
    }
    for (const QString &line : std::as_const(lines))
        std::fprintf(stderr, "quarnel: %s\n", RawPathAlias::Shown(line).toLocal8Bit().constData());
    json = RawPathAlias::Shown(QString::fromUtf8(json)).toUtf8();
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return status;
}

int Convert(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    TBatchOptions options;
    QString error;
    if (!TBatchOptions::Parse(RawPathAlias::ProgramArguments(argc, argv), options, error)) {
        std::fprintf(stderr, "quarnel: %s\nSee quarnel --help.\n", error.toLocal8Bit().constData());
        return TBatchConversion::BadArguments;
    }
    AppFolders::SetAppDir(QCoreApplication::applicationDirPath());
    ProgramInfo::InitProductInfo(MainPreferences::Version());

    // From here on Ctrl+C, SIGTERM, SIGHUP and SIGPIPE take the cancel path.
    TCancelSignals interrupts;
    TBatchConversion conversion(stderr, ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO));
    QObject::connect(&interrupts, &TCancelSignals::Received, &conversion, &TBatchConversion::Interrupt);
    if (!conversion.Prepare(options))
        return TBatchConversion::BadArguments;
    QObject::connect(&conversion, &TBatchConversion::Done, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    QTimer::singleShot(0, &conversion, &TBatchConversion::Start);
    return app.exec();
}

// A conversion takes the cancel path from its first instant: the signals are held back from
// before any library's initialisation (only the loader's own few milliseconds come first)
// until its handlers are in place. The other modes get them back at once.
void HoldSignalsFromTheStart(int, char **, char **)
{
    TCancelSignals::HoldUntilHandled();
}
[[gnu::section(".preinit_array"), gnu::used]] void (*const g_holdSignals)(int, char **,
                                                                          char **) = HoldSignalsFromTheStart;

// Replaces this process by the window program next to it, with the same arguments.
int StartWindow(char **argv)
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    QByteArray program = length > 0 ? QByteArray(self, length) : QByteArray();
    program.truncate(program.lastIndexOf('/') + 1);
    program += "quarnel-window";
    ::execv(program.constData(), argv);
    std::fprintf(stderr, "quarnel: cannot start %s: %s\n", program.constData(), std::strerror(errno));
    return 127;
}

} // namespace

// `quarnel`: the scan, the conversion without a window and the help are served here with
// model code and QtCore only, so a script's call starts as fast as Qt allows; anything else
// starts the window program, which needs Qt's widgets and the player (libmpv and the
// hundreds of libraries behind it).
int main(int argc, char **argv)
{
    // Both executables name the user's config and cache folders alike.
    QCoreApplication::setApplicationName(QStringLiteral("quarnel"));
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    bool converting = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        converting = converting || argument == "--convert" || argument.startsWith("--convert=");
    }
    if (!converting || mode == "--scan" || mode == "--help" || mode == "-h")
        TCancelSignals::ReleaseHeld();
    if (mode == "--help" || mode == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (mode == "--scan")
        return Scan(argc, argv);
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--convert" || argument.startsWith("--convert="))
            return Convert(argc, argv);
    }
    return StartWindow(argv);
}
