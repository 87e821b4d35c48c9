#include "app/EQuarnelError.h"
#include "app/QuarnelApplication.h"
#include "app/TMainForm.h"
#include "app/TQuarnelWindows.h"
#include "dvd/DvdScan.h"

#include <QTextStream>

#include <clocale>
#include <cstdio>

namespace {

const char kUsage[] =
    "Usage:\n"
    "  quarnel [PATH...]        start the program; each PATH (a DVD folder, a file inside one,\n"
    "                           or one .tmp file listing such paths) is opened in turn\n"
    "  quarnel --scan PATH      print what the program reads from the DVD at PATH as JSON\n"
    "  quarnel --help           show this text\n";

int Scan(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        const QByteArray json = ScanDvd(args.at(2));
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        return 0;
    } catch (const EQuarnelError &e) {
        std::fprintf(stderr, "quarnel: %s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--help" || mode == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (mode == "--scan")
        return Scan(argc, argv);

    QuarnelApplication app(argc, argv);
    // Number texts for the tools and the player always use "." as the decimal point.
    std::setlocale(LC_NUMERIC, "C");

    TQuarnelWindows windows(QCoreApplication::applicationDirPath(), app.arguments().mid(1));
    windows.MainForm()->show();
    return app.exec();
}
