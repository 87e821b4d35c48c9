#pragma once

#include <QList>
#include <QString>

#include <functional>

// The system's CD/DVD drives with what is in them. Tests give their own list.
class OpticalDrives
{
public:
    struct Drive
    {
        QString Root; // where the disc is mounted, with a trailing separator; empty without a disc
        QString Label; // the volume label; empty when there is none or no disc
        quint32 Serial = 0; // 0: no readable disc
    };

    // In device order (sr0, sr1, ...).
    static QList<Drive> List();

    // Replaces the system (tests); an empty hook puts it back.
    static void SetHook(std::function<QList<Drive>()> hook);
};
