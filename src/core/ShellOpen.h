#pragma once

#include <QString>

#include <functional>

// Hands a folder, file or web address to the desktop, which opens it with whatever the
// user has chosen for it. Where the desktop has nothing to open it with, a message shows
// the path or address to copy.
class ShellOpen
{
public:
    static void Open(const QString &target);

    // Replaces the desktop (tests); an empty hook puts it back.
    static void SetHook(std::function<void(const QString &)> hook);
};
