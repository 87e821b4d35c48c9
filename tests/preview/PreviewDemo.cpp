// The program's windows with the preview pane wired in, for trying the preview by hand:
//   PreviewDemo [DVD folder]
// It uses the built program folder (Preferences.ini, profiles) like the program does.
#include "core/QuarnelApplication.h"
#include "mainwindow/TMainForm.h"
#include "mainwindow/TQuarnelWindows.h"
#include "preview/TPreviewPane.h"

#include <clocale>

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    TQuarnelWindows windows(QString::fromUtf8(QUARNEL_PROGRAM_DIR), app.arguments().mid(1));
    TPreviewPane preview(windows.MainForm()->PreviewControls(), windows.MainForm()->BusyHint());
    windows.MainForm()->show();
    return app.exec();
}
