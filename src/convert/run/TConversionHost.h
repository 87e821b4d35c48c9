#pragma once

#include <QString>

#include <functional>

// The answers to "the output file exists": the "to all" ones hold for the rest of the run.
enum class TOverwriteAnswer { Yes, YesToAll, No, NoToAll };

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
    // Yes / Yes to all / No / No to all, with the question icon.
    virtual TOverwriteAnswer AskOverwrite(const QString &text, const QString &caption) = 0;

    // The turn-off check box, which the user may change while the run goes on.
    virtual bool TurnOffChecked() const = 0;
    virtual void OpenFolder(const QString &folder) = 0;
    // Closes the hint panel; whenClosed runs once it is closed.
    virtual void HideBusyHint(std::function<void()> whenClosed) = 0;
    // Ends the program by closing its main window.
    virtual void CloseMainWindow() = 0;
    // The run has ended by itself (not stopped): `summary` says how, for whoever is not
    // looking at the window.
    virtual void AnnounceEnd(const QString & /*summary*/) { }
};
