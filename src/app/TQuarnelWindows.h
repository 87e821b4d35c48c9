#pragma once

#include <QString>

#include <memory>

class TAboutForm;
class TMainForm;

// Creates the program's windows once each, in start-up order, and wires them together.
// Only the main window is shown at start; the others are shown on demand and hidden, not
// destroyed, when closed.
class TQuarnelWindows
{
public:
    explicit TQuarnelWindows(const QString &programFolder);
    ~TQuarnelWindows();

    TMainForm *MainForm() const { return m_main.get(); }
    TAboutForm *AboutForm() const { return m_about.get(); }

private:
    std::unique_ptr<TMainForm> m_main;
    std::unique_ptr<TAboutForm> m_about;
};
