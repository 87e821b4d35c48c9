#pragma once

#include <QObject>
#include <QThread>

// Waits for a worker thread of `owner`'s to end and deletes it, its finished signal no longer
// reaching `owner`; nothing when there is none.
inline void JoinWorker(QThread *&thread, QObject *owner)
{
    if (!thread)
        return;
    thread->disconnect(owner);
    thread->wait();
    delete thread;
    thread = nullptr;
}
