#include "convert/tools/TSubtitleExtraction.h"

#include "convert/tools/JoinWorker.h"

#include <QThread>

TSubtitleExtraction::TSubtitleExtraction(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TSubtitleTrack>();
}

TSubtitleExtraction::~TSubtitleExtraction()
{
    Stop();
    Join();
}

void TSubtitleExtraction::Join()
{
    JoinWorker(m_thread, this);
}

void TSubtitleExtraction::Start(const QString &dvdPath, int titleNumber, int streamId, double start, double end,
                                double clockScale, const QString &base)
{
    Stop();
    Join();
    auto stop = std::make_shared<std::atomic_bool>(false);
    m_stop = stop;
    auto track = std::make_shared<TSubtitleTrack>();
    m_thread = QThread::create([=] {
        *track = TSubtitleTrack::Write(dvdPath, titleNumber, streamId, start, end, clockScale, base,
                                       [stop] { return stop->load(); });
    });
    connect(m_thread, &QThread::finished, this, [this, stop, track] {
        m_thread->deleteLater();
        m_thread = nullptr;
        if (!stop->load())
            emit Finished(*track);
    });
    m_thread->start();
}

void TSubtitleExtraction::Stop()
{
    if (m_stop)
        m_stop->store(true);
}
