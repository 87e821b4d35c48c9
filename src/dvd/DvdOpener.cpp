#include "DvdOpener.h"

#include "core/EQuarnelError.h"

#include <QMutex>
#include <QThread>

namespace {

QMutex g_readerLock;
DvdOpener::Reader g_reader;

DvdOpener::Reader CurrentReader()
{
    QMutexLocker locked(&g_readerLock);
    return g_reader ? g_reader : DvdOpener::Reader(&DvdTitleLoader::ReadDvd);
}

} // namespace

DvdOpener::DvdOpener(QObject *parent) : QObject(parent)
{ }

DvdOpener::~DvdOpener()
{
    if (m_thread) {
        m_thread->disconnect(this);
        m_thread->wait();
        delete m_thread;
    }
}

bool DvdOpener::Start(const QString &path)
{
    if (m_thread)
        return false;
    auto result = std::make_shared<TDvdReading>();
    m_result = result;
    const Reader reader = CurrentReader();
    m_thread = QThread::create([reader, path, result] {
        try {
            *result = reader(path);
        } catch (const EQuarnelError &e) {
            result->Error = e.text();
        }
    });
    // Queued to this object's thread: the reading is handed over where it was asked for.
    connect(m_thread, &QThread::finished, this, [this] {
        m_thread->deleteLater();
        m_thread = nullptr;
        const std::shared_ptr<TDvdReading> reading = std::move(m_result);
        emit Finished(*reading);
    });
    m_thread->start();
    return true;
}

void DvdOpener::SetReader(Reader reader)
{
    QMutexLocker locked(&g_readerLock);
    g_reader = std::move(reader);
}
