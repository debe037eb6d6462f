#include "sigint_stop.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The write end of the live instance's pipe; a signal handler can reach nothing else.
volatile sig_atomic_t gSigintPipe = -1;

void onSigint(int)
{
    int saved = errno;
    int fd = gSigintPipe;
    if (fd >= 0) {
        char b = 1;
        [[maybe_unused]] ssize_t n = ::write(fd, &b, 1);
    }
    errno = saved;
}

} // namespace

SigintStop::SigintStop(AppState& state) : state_(state)
{
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char buf[16];
        while (::read(pipe_[0], buf, sizeof buf) > 0) {
        }
        requested_ = true;
        state_.gStopRequest = -1;
    });
    gSigintPipe = pipe_[1];
    struct sigaction action {};
    action.sa_handler = onSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    installed_ = ::sigaction(SIGINT, &action, &previous_) == 0;
}

SigintStop::~SigintStop()
{
    if (installed_)
        ::sigaction(SIGINT, &previous_, nullptr);
    gSigintPipe = -1;
    notifier_.reset();
    for (int fd : pipe_)
        if (fd >= 0)
            ::close(fd);
}
