#include "core/QuarnelApplication.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TQuarnelWindows.h"

#include <clocale>

int main(int argc, char **argv)
{
    // Both executables name the user's config and cache folders alike.
    QCoreApplication::setApplicationName(QStringLiteral("quarnel"));
    QuarnelApplication app(argc, argv);
    // Number texts for the tools and the player always use "." as the decimal point.
    std::setlocale(LC_NUMERIC, "C");

    TQuarnelWindows windows(QCoreApplication::applicationDirPath(), app.arguments().mid(1));
    windows.MainForm()->show();
    return app.exec();
}
