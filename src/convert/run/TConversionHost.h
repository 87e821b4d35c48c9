#pragma once

#include <QString>

#include <functional>

// What the conversion run asks of the window around it: questions and messages, the busy
// hint, the finishing actions. The window binding implements it with the real message
// boxes; tests with a recording one.
class TConversionHost
{
public:
    virtual ~TConversionHost() = default;

    // A message box with the information icon.
    virtual void Inform(const QString &text, const QString &caption) = 0;
    // A message box with the warning icon (files that could not be made).
    virtual void Warn(const QString &text, const QString &caption) = 0;
    // A plain message box: a tool could not be started.
    virtual void ReportStartFailure(const QString &text) = 0;
    // Yes/No with the question icon; true for Yes.
    virtual bool AskOverwrite(const QString &text, const QString &caption) = 0;

    // The turn-off check box, which the user may change while the run goes on.
    virtual bool TurnOffChecked() const = 0;
    virtual void OpenFolder(const QString &folder) = 0;
    // Closes the hint panel; whenClosed runs once it is closed.
    virtual void HideBusyHint(std::function<void()> whenClosed) = 0;
    // Ends the program by closing its main window.
    virtual void CloseMainWindow() = 0;
};
