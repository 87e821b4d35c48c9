#include "TQuarnelWindows.h"

#include "TMainForm.h"
#include "dialogs/TAboutForm.h"

TQuarnelWindows::TQuarnelWindows(const QString &programFolder)
    : m_main(std::make_unique<TMainForm>(programFolder))
{
    m_about = std::make_unique<TAboutForm>(m_main.get());
    m_main->SetAboutForm(m_about.get());
}

TQuarnelWindows::~TQuarnelWindows()
{
    // Secondary windows go first: they refer to the main window.
    m_about.reset();
    m_main.reset();
}
