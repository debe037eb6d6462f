#include "interrupt_stop.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end for the signal handler: a handler can reach nothing but process-wide data.
volatile sig_atomic_t interruptWriteFd = -1;

void onInterrupt(int)
{
    const int savedErrno = errno;
    const unsigned char byte = 1;
    if (interruptWriteFd >= 0) {
        [[maybe_unused]] ssize_t n = ::write(interruptWriteFd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

InterruptStop::InterruptStop(AppState& state) : state_(state)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    ::fcntl(fds_[1], F_SETFL, ::fcntl(fds_[1], F_GETFL) | O_NONBLOCK);
    interruptWriteFd = fds_[1];
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &InterruptStop::readSignal);

    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // The first Ctrl+C asks; the handler then goes back to the default, so a second one ends
    // the process.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

InterruptStop::~InterruptStop()
{
    if (fds_[0] < 0)
        return;
    std::signal(SIGINT, SIG_DFL);
    interruptWriteFd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void InterruptStop::readSignal()
{
    unsigned char byte = 0;
    if (::read(fds_[0], &byte, 1) == 1) {
        interrupted_ = true;
        state_.gStopRequest = -1;
    }
}
