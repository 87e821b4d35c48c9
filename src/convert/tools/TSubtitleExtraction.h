#pragma once

#include "dvd/TSubtitleTrack.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// Writes an entry's subtitle track (TSubtitleTrack) off the window's thread: the whole span
// of the disc is read, which takes a while on a long title. One at a time.
class TSubtitleExtraction : public QObject
{
    Q_OBJECT
public:
    explicit TSubtitleExtraction(QObject *parent = nullptr);
    // Stops a reading under way and waits for it.
    ~TSubtitleExtraction() override;

    // As TSubtitleTrack::Write takes them.
    void Start(const QString &dvdPath, int titleNumber, int streamId, double start, double end, double clockScale,
               const QString &base);
    // Finished is not sent for a stopped reading.
    void Stop();

signals:
    void Finished(const TSubtitleTrack &track);

private:
    // Waits for a reading under way, whose result no longer counts.
    void Join();

    QThread *m_thread = nullptr;
    std::shared_ptr<std::atomic_bool> m_stop;
};

Q_DECLARE_METATYPE(TSubtitleTrack)
