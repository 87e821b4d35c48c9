#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>

// What a media file holds, as the transcoder reads it packet by packet: whether it has a
// picture and sound, where each of them ends, and how many picture packets it has.
struct TMediaInfo
{
    bool Readable = false; // the transcoder could read the file
    QString Problem; // why not, in the transcoder's words
    qint64 FileSize = 0;
    bool HasVideo = false;
    bool HasAudio = false;
    double VideoEnd = 0; // seconds, end of the last picture packet
    double AudioEnd = 0; // seconds, end of the last packet of the first sound stream
    qint64 VideoPackets = 0;

    double End() const { return qMax(VideoEnd, AudioEnd); }

    // Reads the transcoder's "framecrc" listing of a file (header lines "#tb N: a/b" and
    // "#media_type N: video", then one line per packet "N, dts, pts, duration, size, crc").
    static TMediaInfo FromFrameCrc(const QByteArray &listing);
};

// Reads a file with the transcoder the conversion already runs (stream copy into a packet
// listing, no decoding), off the window's thread like every tool run. One file at a time.
class TMediaProbe : public QObject
{
    Q_OBJECT
public:
    explicit TMediaProbe(QObject *parent = nullptr);
    ~TMediaProbe() override;

    // A probe that outlives stallMs without a word from the transcoder is ended and reads
    // as unreadable.
    void Probe(const QString &transcoderExe, const QString &file, int stallMs);
    void Stop();
    bool IsRunning() const { return m_process != nullptr; }

signals:
    void Finished(const TMediaInfo &info);

private:
    QPointer<QProcess> m_process;
    QByteArray m_listing;
    QByteArray m_messages;
    QString m_file;
    QTimer m_watchdog;
};

Q_DECLARE_METATYPE(TMediaInfo)
