#include "core/QuarnelApplication.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TQuarnelWindows.h"

#include <QByteArray>
#include <QtGlobal>

#include <clocale>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_messages = -1; // the terminal, for the program's own messages

void OwnMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    const QByteArray line = text.toLocal8Bit() + '\n';
    if (::write(g_messages, line.constData(), size_t(line.size())) < 0)
        return;
}

// The player's libraries (libdvdread, libdvdnav, ALSA, PipeWire) write some thirty lines to
// the terminal at every Play, on both outputs; they go nowhere unless QUARNEL_VERBOSE is set.
// The program's own messages still reach the terminal.
void QuietLibraries()
{
    if (qEnvironmentVariableIsSet("QUARNEL_VERBOSE"))
        return;
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0)
        return;
    g_messages = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (g_messages >= 0 && ::dup2(null, STDERR_FILENO) >= 0)
        qInstallMessageHandler(OwnMessage);
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

} // namespace

int main(int argc, char **argv)
{
    QuietLibraries();
    // Both executables name the user's config and cache folders alike.
    QCoreApplication::setApplicationName(QStringLiteral("quarnel"));
    QuarnelApplication app(argc, argv);
    // Number texts for the tools and the player always use "." as the decimal point.
    std::setlocale(LC_NUMERIC, "C");

    TQuarnelWindows windows(QCoreApplication::applicationDirPath(), app.arguments().mid(1));
    windows.MainForm()->show();
    return app.exec();
}
