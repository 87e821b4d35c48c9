#include "TCancelSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
constexpr int kSignalCount = int(sizeof kSignals / sizeof kSignals[0]);
struct sigaction g_previous[kSignalCount];

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
    // A caught signal, unlike an ignored one, is back to its default in the tools we start.
    action.sa_flags = 0;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
    // What HoldUntilHandled held back comes now, to the handler.
    ReleaseHeld();
}

namespace {

void MaskSignals(int how)
{
    sigset_t set;
    sigemptyset(&set);
    for (const int number : kSignals)
        sigaddset(&set, number);
    ::pthread_sigmask(how, &set, nullptr);
}

} // namespace

void TCancelSignals::HoldUntilHandled()
{
    MaskSignals(SIG_BLOCK);
}

void TCancelSignals::ReleaseHeld()
{
    MaskSignals(SIG_UNBLOCK);
}

TCancelSignals::~TCancelSignals()
{
    if (g_pipe[0] < 0)
        return;
    for (int i = 0; i < kSignalCount; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    // The output is gone: a last message on the way out must not end the program with
    // another status than the one it chose.
    if (m_pipeReported)
        ::signal(SIGPIPE, SIG_IGN);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TCancelSignals::Drain()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        // Every later line to the closed output raises SIGPIPE again; that is no second
        // request to stop at once.
        if (byte == SIGPIPE) {
            if (m_pipeReported)
                continue;
            m_pipeReported = true;
        }
        emit Received(byte);
    }
}
