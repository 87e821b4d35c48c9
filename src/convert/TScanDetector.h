#pragma once

#include "TScanType.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <memory>

class QThread;

// Finds out how a title's pictures were made, before its encoder pass: the MPEG-2 flags of
// samples spread over the title (read off the window's thread) and, where the flags cannot
// tell, the transcoder's interlace detection (idet) over the same samples, written to a
// hidden file in the work folder for the while. One title at a time.
class TScanDetector : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        TScanType Scan = TScanType::Undecided;
        QString How; // what was read, for the tool output: "flags: 480 frames, 240 repeat a field"
    };

    // Samples over a title: how many and how many sectors each (about a second of video).
    static constexpr int SampleCount = 10;
    static constexpr int SampleSectors = 384;

    explicit TScanDetector(QObject *parent = nullptr);
    // Waits for a reading under way; an idet run is ended.
    ~TScanDetector() override;

    void Detect(const QString &dvdPath, int titleNumber, const QString &workDir, const QString &transcoderExe, int stallMs);
    void Stop();
    bool IsRunning() const { return m_thread || m_process; }

signals:
    // Undecided when nothing could be read: the encoder pass then treats the title as today.
    void Finished(const TScanDetector::Result &result);

private:
    struct Reading;
    void OnReadingDone(const std::shared_ptr<Reading> &reading);
    void RunIdet(const std::shared_ptr<Reading> &reading);
    void Done(Result result);

    QThread *m_thread = nullptr;
    QPointer<QProcess> m_process;
    QTimer m_watchdog;
    QString m_transcoderExe;
    QString m_sampleFile;
    quint64 m_generation = 0;
};

Q_DECLARE_METATYPE(TScanDetector::Result)
