#include "TCancelSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_previous[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

void OnSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe; a full pipe only loses a repeat of a signal already waiting.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TCancelSignals::TCancelSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TCancelSignals::Drain);
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read of the terminal (the overwrite question) returns at once.
    action.sa_flags = 0;
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

TCancelSignals::~TCancelSignals()
{
    if (g_pipe[0] < 0)
        return;
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TCancelSignals::Drain()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        emit Received(byte);
}
