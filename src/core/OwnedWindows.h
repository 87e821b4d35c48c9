#pragma once

#include <functional>

class QWidget;

// The program's secondary windows have no parent widget (a child would be disabled with the
// main window they disable), so the desktop would not know whom they belong to: X11 made
// them transient for an invisible helper window, and a click on the main window buried
// them. These keep each such window in front of its owner.
namespace OwnedWindows {

// `window` becomes transient for `owner`'s window whenever it is shown, is kept on the
// screen (KeepOnScreen), and comes back to the front when `owner` is activated while it is
// shown.
void KeepInFrontOf(QWidget *window, QWidget *owner);

// Escape does what `cancel` does (closing the window when none is given), as it does in a
// dialog.
void CloseOnEscape(QWidget *window, const std::function<void()> &cancel = {});

// Makes `window` fit the screen it is on, as far as its minimum size allows, and moves it
// wholly onto the screen's free area (its title bar first).
void KeepOnScreen(QWidget *window);

// The width a window needs to show its whole caption in a title bar: the caption in a bold
// version of the window's font, with room for the frame's icon and buttons.
int CaptionWidth(const QWidget *window);

// The window a message box or chooser should belong to: `owner`'s window when it can take
// input, else the shown window that keeps it disabled (a dialog in front of it), else any
// shown window that can take input; null when there is none.
QWidget *UsableOwner(QWidget *owner);

} // namespace OwnedWindows
