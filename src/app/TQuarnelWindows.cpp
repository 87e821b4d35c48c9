#include "TQuarnelWindows.h"

#include "TMainForm.h"
#include "dialogs/TAboutForm.h"
#include "dvd/TOpenDVDForm.h"

TQuarnelWindows::TQuarnelWindows(const QString &programFolder, const QStringList &arguments)
    : m_main(std::make_unique<TMainForm>(programFolder))
{
    m_main->CommandLineIntake(arguments);
    TMainForm *main = m_main.get();
    m_openDvd = std::make_unique<TOpenDVDForm>(main, [main](const QString &folder) { main->OpenDvdFolder(folder); });
    m_main->SetOpenDVDForm(m_openDvd.get());
    m_about = std::make_unique<TAboutForm>(main);
    m_main->SetAboutForm(m_about.get());
}

TQuarnelWindows::~TQuarnelWindows()
{
    // Secondary windows go first: they refer to the main window.
    m_about.reset();
    m_openDvd.reset();
    m_main.reset();
}
