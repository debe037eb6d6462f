#include "ui/shell/termination_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end for the signal handler: a handler can reach nothing but process-wide data.
volatile sig_atomic_t signalWriteFd = -1;

void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (signalWriteFd >= 0) {
        [[maybe_unused]] ssize_t n = ::write(signalWriteFd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() {
    if (fds_[0] < 0) {
        return;
    }
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        std::signal(sig, SIG_DFL);
    }
    signalWriteFd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

bool TerminationSignals::install() {
    if (fds_[0] >= 0) {
        return true;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return false;
    }
    // A flood of signals must never block the handler.
    ::fcntl(fds_[1], F_SETFL, ::fcntl(fds_[1], F_GETFL) | O_NONBLOCK);
    signalWriteFd = fds_[1];

    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        sigaction(sig, &action, nullptr);
    }
    return true;
}

void TerminationSignals::readSignal() {
    unsigned char byte = 0;
    if (::read(fds_[0], &byte, 1) == 1) {
        emit closeRequested(byte);
    }
}
