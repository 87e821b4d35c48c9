#include "convert/tools/TMediaProbe.h"

#include "convert/tools/TProcessRunner.h"
#include "convert/tools/ToolOutput.h"

#include <QFileInfo>
#include <QHash>
#include <QList>

namespace {

struct StreamFacts
{
    qint64 tbNum = 0;
    qint64 tbDen = 0;
    QByteArray type;
    qint64 end = 0; // in the stream's time base
    qint64 packets = 0;
};

} // namespace

TMediaInfo TMediaInfo::FromFrameCrc(const QByteArray &listing)
{
    QHash<int, StreamFacts> streams;
    for (const QByteArray &raw : listing.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith('#')) {
            const qsizetype colon = line.indexOf(':');
            const qsizetype blank = line.indexOf(' ');
            if (colon < 0 || blank < 0 || blank > colon)
                continue;
            const QByteArray key = line.mid(1, blank - 1);
            bool ok = false;
            const int index = line.mid(blank + 1, colon - blank - 1).toInt(&ok);
            if (!ok)
                continue;
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (key == "tb") {
                const QList<QByteArray> parts = value.split('/');
                if (parts.size() == 2) {
                    streams[index].tbNum = parts.at(0).toLongLong();
                    streams[index].tbDen = parts.at(1).toLongLong();
                }
            } else if (key == "media_type") {
                streams[index].type = value;
            }
            continue;
        }
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() < 5)
            continue;
        bool ok = false;
        const int index = fields.at(0).trimmed().toInt(&ok);
        if (!ok || !streams.contains(index))
            continue;
        StreamFacts &s = streams[index];
        const qint64 dts = fields.at(1).trimmed().toLongLong();
        const qint64 pts = fields.at(2).trimmed().toLongLong();
        const qint64 duration = fields.at(3).trimmed().toLongLong();
        s.end = qMax(s.end, qMax(dts, pts) + qMax<qint64>(duration, 0));
        ++s.packets;
    }

    TMediaInfo info;
    info.Readable = true;
    QList<int> order = streams.keys();
    std::sort(order.begin(), order.end());
    for (int index : order) {
        const StreamFacts &s = streams.value(index);
        if (s.tbDen <= 0)
            continue;
        const double end = double(s.end) * double(s.tbNum) / double(s.tbDen);
        if (s.type == "video" && !info.HasVideo) {
            info.HasVideo = s.packets > 0;
            info.VideoEnd = end;
            info.VideoPackets = s.packets;
        } else if (s.type == "audio" && !info.HasAudio) {
            info.HasAudio = s.packets > 0;
            info.AudioEnd = end;
        }
    }
    return info;
}

TMediaProbe::TMediaProbe(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TMediaInfo>();
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        if (m_process)
            m_process->kill(); // finished() reports it as unreadable
    });
}

TMediaProbe::~TMediaProbe()
{
    Stop();
}

void TMediaProbe::Stop()
{
    m_watchdog.stop();
    QProcess *process = m_process;
    m_process.clear();
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(5000);
    }
    process->deleteLater();
}

void TMediaProbe::Probe(const QString &transcoderExe, const QString &file, int stallMs)
{
    Stop();
    m_file = file;
    m_listing.clear();
    m_messages.clear();
    auto *process = new QProcess(this);
    m_process = process;
    TToolSandbox fence;
    fence.AllowRead(file);
    TProcessRunner::PrepareChild(*process, QFileInfo(file).absolutePath(), fence, transcoderExe);
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] {
        m_listing += process->readAllStandardOutput();
        m_watchdog.start();
    });
    connect(process, &QProcess::readyReadStandardError, this, [this, process] {
        m_messages += process->readAllStandardError();
        if (m_messages.size() > 16384)
            m_messages.remove(0, m_messages.size() - 16384);
        m_watchdog.start();
    });
    auto finish = [this, process](bool started) {
        if (m_process != process)
            return;
        m_watchdog.stop();
        m_process.clear();
        TMediaInfo info;
        if (started) {
            m_listing += process->readAllStandardOutput();
            m_messages += process->readAllStandardError();
            if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0)
                info = TMediaInfo::FromFrameCrc(m_listing);
            else
                info.Problem = LastErrorLine(QString::fromLocal8Bit(m_messages));
        } else {
            info.Problem = QStringLiteral("the converter could not be started");
        }
        if (!info.Readable && info.Problem.isEmpty())
            info.Problem = QStringLiteral("the converter cannot read it");
        info.FileSize = QFileInfo(m_file).size();
        process->deleteLater();
        emit Finished(info);
    };
    connect(process, &QProcess::finished, this, [finish] { finish(true); });
    connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    m_watchdog.start(stallMs);
    process->start(transcoderExe,
                   {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-v"),
                    QStringLiteral("error"), QStringLiteral("-protocol_whitelist"), QStringLiteral("file"), QStringLiteral("-i"), QFileInfo(file).absoluteFilePath(),
                    QStringLiteral("-map"), QStringLiteral("0"), QStringLiteral("-c"), QStringLiteral("copy"),
                    QStringLiteral("-f"), QStringLiteral("framecrc"), QStringLiteral("-")},
                   QIODevice::ReadOnly);
}
