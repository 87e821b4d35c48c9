#include "convert/tools/TSpanStreaming.h"

#include "convert/tools/JoinWorker.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// How often a wait looks at the stop flag.
constexpr int PollMs = 100;

// The write end of a named pipe whose every wait can be given up.
class PipeWriter
{
public:
    PipeWriter(const QString &path, const std::atomic_bool &stop, std::atomic_bool &waiting)
        : m_path(QFile::encodeName(path))
        , m_stop(stop)
        , m_waiting(waiting)
    { }
    ~PipeWriter()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // Waits for a reader to open the other end.
    bool Open()
    {
        m_waiting = true;
        while (!m_stop) {
            m_fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (m_fd >= 0)
                break;
            if (errno != ENXIO && errno != EINTR) {
                m_error = errno;
                break;
            }
            ::usleep(20 * 1000);
        }
        m_waiting = false;
        return m_fd >= 0;
    }

    bool Write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            if (m_stop)
                return false;
            const ssize_t n = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0) {
                done += n;
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                m_waiting = true;
                pollfd p{m_fd, POLLOUT, 0};
                ::poll(&p, 1, PollMs);
                m_waiting = false;
                continue;
            }
            m_error = errno;
            if (m_error == EPIPE) {
                // The reader went away: the pipe's signal is this thread's, taken here.
                sigset_t pipe;
                sigemptyset(&pipe);
                sigaddset(&pipe, SIGPIPE);
                const timespec now{0, 0};
                ::sigtimedwait(&pipe, nullptr, &now);
            }
            return false;
        }
        return true;
    }

    int Error() const { return m_error; }

private:
    QByteArray m_path;
    const std::atomic_bool &m_stop;
    std::atomic_bool &m_waiting;
    int m_fd = -1;
    int m_error = 0;
};

} // namespace

TSpanStreaming::TSpanStreaming(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TTitleSpanReader::Result>();
}

TSpanStreaming::~TSpanStreaming()
{
    Stop();
    Join();
}

void TSpanStreaming::Join()
{
    JoinWorker(m_thread, this);
}

void TSpanStreaming::Start(const QString &location, const TTitleSpanReader::Span &span, const QString &pipe)
{
    Stop();
    Join();
    auto state = std::make_shared<State>();
    m_state = state;
    m_thread = QThread::create([state, location, span, pipe] {
        // A write into a pipe whose reader has gone raises SIGPIPE in the writing thread; held
        // here, it is taken back after the failed write instead of reaching the program.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        ::pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        if (pipe.isEmpty()) {
            state->result = TTitleSpanReader::Write(
                location, span,
                [&state](const QByteArray &bytes, double position) {
                    state->written += bytes.size();
                    state->position = position;
                    return true;
                },
                [&state] { return state->stop.load(); });
            return;
        }
        PipeWriter writer(pipe, state->stop, state->waiting);
        if (!writer.Open()) {
            state->result.Stopped = state->stop.load();
            if (!state->result.Stopped)
                state->result.Problem = QStringLiteral("the pipe to the converter cannot be opened (%1)")
                                            .arg(QString::fromLocal8Bit(std::strerror(writer.Error())));
            return;
        }
        state->result = TTitleSpanReader::Write(
            location, span,
            [&writer, &state](const QByteArray &bytes, double position) {
                if (!writer.Write(bytes))
                    return false;
                state->written += bytes.size();
                state->position = position;
                return true;
            },
            [&state] { return state->stop.load(); });
    });
    connect(m_thread, &QThread::finished, this, [this, state] {
        m_thread->deleteLater();
        m_thread = nullptr;
        emit Finished(state->result);
    });
    m_thread->start();
}

void TSpanStreaming::Stop()
{
    if (m_state)
        m_state->stop.store(true);
}
