#pragma once

#include "DvdTitleLoader.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

// Reads a DVD off the thread that asks for it, so that a drive spinning up or a slow image
// never freezes the window: Start hands the path to a worker thread, and Finished brings the
// reading back on the asking thread, where it can be applied to the task list.
class DvdOpener : public QObject
{
    Q_OBJECT
public:
    explicit DvdOpener(QObject *parent = nullptr);
    // Waits for a reading under way: the worker owns nothing the program needs.
    ~DvdOpener() override;

    // Starts reading the DVD at `path` (what DvdTitleLoader::ReadDvd takes). False, and
    // nothing started, while an earlier reading runs: one opening at a time.
    bool Start(const QString &path);
    bool IsBusy() const { return m_thread != nullptr; }

    // Replaces DvdTitleLoader::ReadDvd for every opener (tests: a reading as slow as a
    // drive's); an empty function puts it back. Runs on the worker thread.
    using Reader = std::function<TDvdReading(const QString &path)>;
    static void SetReader(Reader reader);

signals:
    void Finished(const TDvdReading &reading);

private:
    QThread *m_thread = nullptr;
    std::shared_ptr<TDvdReading> m_result;
};
