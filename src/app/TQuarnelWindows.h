#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class TAboutForm;
class TMainForm;
class TOpenDVDForm;

// Creates the program's windows once each, in start-up order, and wires them together.
// Only the main window is shown at start; the others are shown on demand and hidden, not
// destroyed, when closed.
class TQuarnelWindows
{
public:
    // arguments: the command line's paths (without the program's own name).
    TQuarnelWindows(const QString &programFolder, const QStringList &arguments = {});
    ~TQuarnelWindows();

    TMainForm *MainForm() const { return m_main.get(); }
    TOpenDVDForm *OpenDVDForm() const { return m_openDvd.get(); }
    TAboutForm *AboutForm() const { return m_about.get(); }

private:
    std::unique_ptr<TMainForm> m_main;
    std::unique_ptr<TOpenDVDForm> m_openDvd;
    std::unique_ptr<TAboutForm> m_about;
};
