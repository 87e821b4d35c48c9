#pragma once

#include "convert/commands/TPictureCrop.h"
#include "convert/commands/TScanType.h"
#include "dvd/TStreamStart.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <memory>

class QThread;

// Reads what an entry's encoder pass must know of the disc, off the window's thread: where the
// reading begins and the sound's lead there (TStreamStart), how the title's pictures were
// made: the MPEG-2 flags of samples spread over the title and, where the flags cannot tell,
// the transcoder's interlace detection (idet) over the same samples, and, where asked, the
// black bars the disc itself carries (cropdetect over them too). The samples go to a hidden file
// in the work folder for the while. One entry at a time.
class TSourceProbe : public QObject
{
    Q_OBJECT
public:
    struct Result
    {
        TScanType Scan = TScanType::Undecided;
        QString How; // what was read, for the tool output: "flags of 480 frames: ..."
        TStreamStart Start;
        TPictureCrop Crop; // where asked for; not set when no bars were found
    };

    // Samples over a title: how many and how many sectors each (about a second of video).
    static constexpr int SampleCount = 10;
    static constexpr int SampleSectors = 384;

    explicit TSourceProbe(QObject *parent = nullptr);
    // Waits for a reading under way; an idet run is ended.
    ~TSourceProbe() override;

    // scanKnown: the title's pictures were judged for an earlier entry; findCrop: its bars are
    // looked for. Neither: only the start is read.
    // program, startSeconds, audioId: as TStreamStart::Read takes them.
    void Detect(const QString &dvdPath, int titleNumber, bool scanKnown, bool findCrop, int program,
                double startSeconds, int audioId, const QString &workDir, const QString &transcoderExe, int stallMs);
    void Stop();
    bool IsRunning() const { return m_thread || m_process; }

signals:
    // Undecided when nothing could be read: the encoder pass then treats the title as
    // progressive; likewise a start not Found moves the sound by nothing.
    void Finished(const TSourceProbe::Result &result);

private:
    struct Reading;
    void OnReadingDone(const std::shared_ptr<Reading> &reading);
    // The transcoder over the samples: idet where the flags could not tell, cropdetect where asked.
    void RunAnalysis(const std::shared_ptr<Reading> &reading);
    void Done(Result result);

    QThread *m_thread = nullptr;
    QPointer<QProcess> m_process;
    QTimer m_watchdog;
    QString m_transcoderExe;
    QString m_sampleFile;
    quint64 m_generation = 0;
};

Q_DECLARE_METATYPE(TSourceProbe::Result)
