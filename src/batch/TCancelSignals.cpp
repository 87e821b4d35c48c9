#include "TCancelSignals.h"

#include "convert/tools/ToolGroups.h"

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

// The cancel path ends a run in milliseconds; where the program is stuck (a thread in a read
// that never returns), this ends it this long after the first request all the same.
constexpr unsigned kGraceSeconds = 2;

volatile sig_atomic_t g_signalled = 0;

void OnStuck(int)
{
    ToolGroups::KillAllNow();
    ::_exit(130);
}

void OnSignal(int signalNumber)
{
    const int saved = errno;
    if (signalNumber != SIGPIPE) {
        g_signalled = 1;
        const unsigned left = ::alarm(0); // a repeat does not put the end off
        ::alarm(left > 0 ? left : kGraceSeconds);
    }
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
    struct sigaction stuck = {};
    stuck.sa_handler = OnStuck;
    sigemptyset(&stuck.sa_mask);
    ::sigaction(SIGALRM, &stuck, nullptr);
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
    // Once asked to end, the deadline holds to the very end: what stays stuck in the
    // clean-up after the cancel path must not keep the program.
    if (!g_signalled) {
        ::alarm(0);
        ::signal(SIGALRM, SIG_DFL);
    }
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
