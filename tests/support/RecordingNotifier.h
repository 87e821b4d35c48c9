#pragma once

#include "core/DesktopNotifier.h"

#include <QList>
#include <QPair>
#include <QString>

// Records the desktop notifications instead of showing them.
class RecordingNotifier : public DesktopNotifier
{
public:
    RecordingNotifier() { DesktopNotifier::SetInstance(this); }
    ~RecordingNotifier() override { DesktopNotifier::SetInstance(nullptr); }
    void Notify(const QString &summary, const QString &body) override { sent << qMakePair(summary, body); }
    QList<QPair<QString, QString>> sent;
};
