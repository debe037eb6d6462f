#include "cli/sigint_stop.h"

#include "link/command_channel.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The write end of the live instance's pipe; a signal handler can reach nothing else.
volatile sig_atomic_t gSigintPipe = -1;

void onStopSignal(int number)
{
    int saved = errno;
    int fd = gSigintPipe;
    if (fd >= 0) {
        char b = char(number);
        [[maybe_unused]] ssize_t n = ::write(fd, &b, 1);
    }
    errno = saved;
}

} // namespace

SigintStop::SigintStop(AppState& state, CommandChannel* channel) : state_(state), channel_(channel)
{
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        // A reply wait on the LAN sleeps until data or its deadline: it is woken to look.
        if (take() && channel_)
            channel_->sockets().waiter().wake();
    });
    gSigintPipe = pipe_[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        installed_[i] = ::sigaction(kSignals[i], &action, &previous_[i]) == 0;
    if (channel_)
        channel_->setInterruptCheck([this] { return take(); });
}

SigintStop::~SigintStop()
{
    if (channel_)
        channel_->setInterruptCheck({});
    for (int i = 0; i < 3; ++i)
        if (installed_[i])
            ::sigaction(kSignals[i], &previous_[i], nullptr);
    gSigintPipe = -1;
    notifier_.reset();
    for (int fd : pipe_)
        if (fd >= 0)
            ::close(fd);
}

bool SigintStop::take() const
{
    char buf[16];
    ssize_t n = 0;
    while (pipe_[0] >= 0 && (n = ::read(pipe_[0], buf, sizeof buf)) > 0) {
        signal_ = static_cast<unsigned char>(buf[n - 1]);
        state_.gStopRequest = -1;
    }
    return signal_ != 0;
}

bool SigintStop::requested() const
{
    return take();
}

int SigintStop::signalNumber() const
{
    take();
    return signal_;
}

int SigintStop::exitStatus(int otherwise) const
{
    const int number = signalNumber();
    return number ? 128 + number : otherwise;
}
