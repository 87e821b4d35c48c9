#include "convert/tools/TSourceProbe.h"

#include "convert/tools/HiddenWorkFiles.h"
#include "convert/tools/JoinWorker.h"
#include "convert/tools/TProcessRunner.h"
#include "dvd/TPictureFlags.h"
#include "dvd/TTitleVideoSamples.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QThread>

struct TSourceProbe::Reading
{
    TPictureFlags Flags;
    bool Ntsc = false;
    TScanType Scan = TScanType::Undecided;
    QString Problem;
    QString SampleFile; // written only when the flags cannot tell
    bool ScanKnown = false;
    bool FindCrop = false;
    TStreamStart Start;
    // Whether the samples go to the transcoder: for idet, for cropdetect.
    bool NeedsIdet() const { return !ScanKnown && Scan == TScanType::Undecided; }
    bool NeedsTool() const { return NeedsIdet() || FindCrop; }
};

namespace {

// A sample for the decoder starts at a navigation pack (a pack header followed by a system
// header), where a group of pictures begins.
qsizetype FirstNavigationPack(const QByteArray &sample)
{
    for (qsizetype at = 0; at + 18 <= sample.size(); at += 2048) {
        const char *p = sample.constData() + at;
        if (p[0] == 0 && p[1] == 0 && p[2] == 1 && quint8(p[3]) == 0xba && p[14] == 0 && p[15] == 0 && p[16] == 1
            && quint8(p[17]) == 0xbb)
            return at;
    }
    return -1;
}

QString FlagsText(const TPictureFlags &f)
{
    return QStringLiteral("%1 frames: %2 progressive, %3 repeat a field, %4 top field first, %5 field pictures")
        .arg(f.Frames)
        .arg(f.ProgressiveFrames)
        .arg(f.RepeatFirstField)
        .arg(f.TopFieldFirst)
        .arg(f.FieldPictures);
}

} // namespace

TSourceProbe::TSourceProbe(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TSourceProbe::Result>();
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        if (m_process)
            m_process->kill(); // finished() follows with a failed run
    });
}

TSourceProbe::~TSourceProbe()
{
    Stop();
    JoinWorker(m_thread, this);
}

void TSourceProbe::Stop()
{
    ++m_generation;
    m_watchdog.stop();
    if (QProcess *process = m_process) {
        m_process.clear();
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
        process->deleteLater();
    }
    if (!m_sampleFile.isEmpty()) {
        QFile::remove(m_sampleFile);
        m_sampleFile.clear();
    }
}

void TSourceProbe::Detect(const QString &dvdPath, int titleNumber, bool scanKnown, bool findCrop, int program,
                          double startSeconds, int audioId, const QString &workDir, const QString &transcoderExe,
                          int stallMs)
{
    Stop();
    // A reading left by a stopped detection: it is short, wait for it.
    JoinWorker(m_thread, this);
    m_transcoderExe = transcoderExe;
    m_watchdog.setInterval(stallMs);
    auto reading = std::make_shared<Reading>();
    reading->ScanKnown = scanKnown;
    reading->FindCrop = findCrop;
    m_thread = QThread::create([reading, dvdPath, titleNumber, program, startSeconds, audioId, workDir] {
        reading->Start = TStreamStart::Read(dvdPath, titleNumber, program, startSeconds, audioId);
        if (reading->ScanKnown && !reading->FindCrop)
            return;
        const TTitleVideoSamples samples = TTitleVideoSamples::Read(dvdPath, titleNumber, SampleCount, SampleSectors);
        reading->Ntsc = samples.Ntsc;
        reading->Problem = samples.Problem;
        if (samples.Samples.isEmpty())
            return;
        if (!reading->ScanKnown) {
            for (const QByteArray &sample : samples.Samples)
                reading->Flags.AddPacks(sample);
            reading->Scan = ScanTypeFromFlags(reading->Flags, reading->Ntsc);
        }
        if (!reading->NeedsTool())
            return;
        QTemporaryFile file(HiddenWorkFileTemplate(workDir, QStringLiteral("pictures"), QStringLiteral(".mpg")));
        file.setAutoRemove(false);
        if (!file.open()) {
            // As when idet cannot tell: some frames are flagged interlaced. No bars are cropped.
            if (reading->NeedsIdet())
                reading->Scan = TScanType::Interlaced;
            reading->Problem = QStringLiteral("no sample file can be written in the work folder");
            return;
        }
        for (const QByteArray &sample : samples.Samples) {
            const qsizetype from = FirstNavigationPack(sample);
            if (from >= 0)
                file.write(sample.constData() + from, sample.size() - from);
        }
        reading->SampleFile = file.fileName();
    });
    const quint64 generation = m_generation;
    connect(m_thread, &QThread::finished, this, [this, reading, generation] {
        m_thread->deleteLater();
        m_thread = nullptr;
        if (generation != m_generation) {
            if (!reading->SampleFile.isEmpty())
                QFile::remove(reading->SampleFile);
            return;
        }
        OnReadingDone(reading);
    });
    m_thread->start();
}

void TSourceProbe::OnReadingDone(const std::shared_ptr<Reading> &reading)
{
    if (reading->SampleFile.isEmpty()) {
        Result result;
        result.Scan = reading->Scan;
        result.Start = reading->Start;
        if (!reading->ScanKnown)
            result.How =
                reading->Problem.isEmpty() ? QStringLiteral("flags of ") + FlagsText(reading->Flags) : reading->Problem;
        Done(result);
        return;
    }
    RunAnalysis(reading);
}

void TSourceProbe::RunAnalysis(const std::shared_ptr<Reading> &reading)
{
    m_sampleFile = reading->SampleFile;
    auto *process = new QProcess(this);
    m_process = process;
    TToolSandbox fence;
    fence.AllowRead(reading->SampleFile);
    TProcessRunner::PrepareChild(*process, QFileInfo(reading->SampleFile).absolutePath(), fence, m_transcoderExe);
    process->setProcessChannelMode(QProcess::MergedChannels);
    auto output = std::make_shared<QByteArray>();
    // The first lines name the frame; the last ones hold the figures: both are kept.
    auto head = std::make_shared<QByteArray>();
    connect(process, &QProcess::readyRead, this, [this, process, output, head] {
        *output += process->readAll();
        if (output->size() > 65536) {
            if (head->isEmpty())
                *head = output->left(8192) + '\n';
            output->remove(0, output->size() - 65536);
        }
        m_watchdog.start();
    });
    auto finish = [this, process, output, head, reading](bool ran) {
        if (m_process != process)
            return;
        m_watchdog.stop();
        m_process.clear();
        *output += process->readAll();
        process->deleteLater();
        QFile::remove(m_sampleFile);
        m_sampleFile.clear();
        Result result;
        result.Start = reading->Start;
        result.Scan = reading->Scan;
        const QString text = QString::fromLocal8Bit(*head + *output);
        const bool read = ran && process->exitStatus() == QProcess::NormalExit;
        if (reading->NeedsIdet()) {
            if (read)
                result.Scan = ScanTypeFromIdet(text, reading->Ntsc);
            // The flags said some frames are interlaced; where the pictures cannot be looked at,
            // deinterlacing costs a little sharpness, combing would cost much more.
            if (result.Scan == TScanType::Undecided)
                result.Scan = TScanType::Interlaced;
        }
        if (reading->FindCrop && read)
            result.Crop = TPictureCrop::FromCropdetect(text);
        if (reading->ScanKnown) {
            Done(result);
            return;
        }
        QString summary;
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            const qsizetype at = line.indexOf(QStringLiteral("Multi frame detection:"));
            const qsizetype rep = line.indexOf(QStringLiteral("Repeated Fields:"));
            if (at >= 0)
                summary += QStringLiteral("; idet ") + line.mid(at).simplified();
            else if (rep >= 0)
                summary += QStringLiteral("; idet ") + line.mid(rep).simplified();
        }
        result.How = QStringLiteral("flags of ") + FlagsText(reading->Flags) + summary;
        Done(result);
    };
    connect(process, &QProcess::finished, this, [finish] { finish(true); });
    connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(false);
    });
    QStringList filters;
    if (reading->NeedsIdet())
        filters << QStringLiteral("idet");
    // Never reset: its last figures hold the widest picture of all samples.
    if (reading->FindCrop)
        filters << QStringLiteral("cropdetect=round=2:reset=0");
    m_watchdog.start();
    // -hide_banner keeps the stream's line, which names the frame size.
    process->start(m_transcoderExe,
                   {QStringLiteral("-hide_banner"), QStringLiteral("-nostdin"), QStringLiteral("-nostats"),
                    QStringLiteral("-protocol_whitelist"), QStringLiteral("file"), QStringLiteral("-i"), m_sampleFile,
                    QStringLiteral("-map"), QStringLiteral("0:v:0"), QStringLiteral("-vf"),
                    filters.join(QLatin1Char(',')), QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")},
                   QIODevice::ReadOnly);
}

void TSourceProbe::Done(Result result)
{
    const quint64 generation = m_generation;
    // Always from the event loop, never inside Detect.
    QMetaObject::invokeMethod(
        this,
        [this, result, generation] {
            if (generation == m_generation)
                emit Finished(result);
        },
        Qt::QueuedConnection);
}
