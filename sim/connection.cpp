#include "connection.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

namespace {

// How long a CR at the end of the input waits for the LF of a CR+LF.
constexpr int64_t kCrGraceMs = 30;
// Delay of the closing line after a transfer on TCP.
constexpr int64_t kClosingLineDelayMs = 20;

// Command lines keep only text and line ends: the rest of a stop sequence (ten CAN, of which
// two end the transfer) or other stray transfer bytes must not become part of the next command.
std::string commandText(std::string_view bytes)
{
    std::string text;
    for (char c : bytes)
        if (uint8_t(c) >= 0x20 || c == '\r' || c == '\n')
            text += c;
    return text;
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

SimConnection::SimConnection(int fd, const SimOptions& options, Controller& controller, ControllerData& data)
    : options_(options), controller_(controller), data_(data), fd_(fd)
{
}

SimConnection::SimConnection(Pty pty, const SimOptions& options, Controller& controller, ControllerData& data)
    : options_(options), controller_(controller), data_(data), pty_(std::make_unique<Pty>(std::move(pty)))
{
    pacer_ = LinePacer(options.baud);
}

SimConnection::~SimConnection()
{
    if (pty_)
        closePty(pty_.get());
    else if (fd_ >= 0)
        ::close(fd_);
}

void SimConnection::onReadable(int64_t nowUs)
{
    const int64_t nowMs = nowUs / 1000;
    char buf[4096];
    ssize_t got = ::read(fd(), buf, sizeof buf);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
        if (!pty_)
            closing_ = true;
        return;
    }
    if (got < 0)
        return;
    std::string bytes(buf, size_t(got));
    if (transfer_) {
        transferInput(std::move(bytes), nowMs);
    } else {
        reader_.feed(commandText(bytes));
        crSince_ = -1;
    }
}

void SimConnection::answer(const CommandLine& line, int64_t nowMs)
{
    if (options_.silent)
        return;
    ControllerReply r = controller_.handle(line.text, nowMs);
    const std::string& ending = options_.replyTerminator.empty() ? line.terminator : options_.replyTerminator;
    replies_.push_back({nowMs + options_.replyDelayMs, r.text + ending, r, ending});
}

void SimConnection::step(int64_t nowUs)
{
    const int64_t nowMs = nowUs / 1000;
    const bool busy = transfer_ || std::any_of(replies_.begin(), replies_.end(), [](const Reply& r) {
        return r.request.transfer != Transfer::None;
    });
    if (!busy) {
        // Lines that come while a transfer is announced or running wait for its end.
        while (auto line = reader_.next())
            answer(*line, nowMs);
        if (reader_.holdsCR()) {
            if (crSince_ < 0) {
                crSince_ = nowMs;
            } else if (nowMs - crSince_ >= kCrGraceMs) {
                crSince_ = -1;
                if (auto line = reader_.flushCR())
                    answer(*line, nowMs);
            }
        }
    }
    while (!replies_.empty() && replies_.front().due <= nowMs && !closing_ && !transfer_) {
        Reply r = std::move(replies_.front());
        replies_.pop_front();
        queue(r.line);
        if (r.request.transfer != Transfer::None)
            startTransfer(r, nowMs);
        if (!pty_ && options_.dropAfterReplies > 0 && ++answered_ >= options_.dropAfterReplies)
            closing_ = true;
    }
    if (transfer_ && transfer_->deadline() >= 0 && nowMs >= transfer_->deadline())
        transfer_->tick(nowMs);
    if (transfer_)
        transferOutput(nowMs);
    flush(nowUs);
    if (drop_)
        dropLink();
}

void SimConnection::startTransfer(const Reply& reply, int64_t nowMs)
{
    transferRequest_ = reply.request;
    transferTerminator_ = reply.terminator;
    unescaper_ = TelnetUnescaper();
    transferBytes_ = 0;
    receiving_ = reply.request.transfer == Transfer::FromTool;
    if (receiving_)
        transfer_ = std::make_unique<XmodemReceiver>(options_.faults, nowMs);
    else
        transfer_ = std::make_unique<XmodemSender>(data_.fileToSend(reply.request.what, reply.request.number),
                                                   options_.faults, nowMs);
}

void SimConnection::transferInput(std::string bytes, int64_t nowMs)
{
    if (!pty_)
        bytes = unescaper_.feed(bytes);
    if (options_.dropAfterBytes > 0 && transferBytes_ + int64_t(bytes.size()) >= options_.dropAfterBytes) {
        bytes.resize(size_t(options_.dropAfterBytes - transferBytes_));
        drop_ = true;
    }
    transferBytes_ += int64_t(bytes.size());
    size_t used = transfer_->receive(bytes, nowMs);
    if (drop_)
        return; // the link goes before the answer
    transferOutput(nowMs);
    if (!transfer_ && used < bytes.size()) {
        reader_.feed(commandText(std::string_view(bytes).substr(used)));
        crSince_ = -1;
    }
}

void SimConnection::transferOutput(int64_t nowMs)
{
    std::string out = transfer_->takeOutput(nowMs);
    if (!drop_ && !out.empty()) {
        if (options_.dropAfterBytes > 0 && transferBytes_ + int64_t(out.size()) >= options_.dropAfterBytes) {
            out.resize(size_t(options_.dropAfterBytes - transferBytes_));
            drop_ = true;
        }
        transferBytes_ += int64_t(out.size());
        queue(pty_ ? out : telnetEscape(out));
    }
    if (!drop_ && transfer_->state() != XmodemState::Running && !transfer_->holdsOutput())
        endTransfer(nowMs);
}

void SimConnection::endTransfer(int64_t nowMs)
{
    XmodemState state = transfer_->state();
    bool ok = state == XmodemState::Done;
    if (ok && receiving_) {
        std::string error;
        auto* receiver = static_cast<XmodemReceiver*>(transfer_.get());
        if (!data_.store(transferRequest_.what, transferRequest_.number, receiver->data(), &error)) {
            std::fprintf(stderr, "plnsim: %s\n", error.c_str());
            ok = false;
        }
    }
    // Only the TCP port closes a transfer with a line; a stall that was given up ends quietly.
    // The line comes a moment after the last ACK, as from a controller that first stores what
    // it received; the tool then reads the ACK and the line separately.
    if (!pty_ && state != XmodemState::Abandoned)
        replies_.push_front({nowMs + kClosingLineDelayMs, (ok ? "OK" : "ER") + transferTerminator_, {}, {}});
    transfer_.reset();
}

void SimConnection::queue(const std::string& bytes)
{
    wire_ += bytes;
}

void SimConnection::flush(int64_t nowUs)
{
    if (wire_.empty())
        return;
    if (!pacer_.active() || drop_) {
        if (!writeAll(fd(), wire_) && !pty_)
            closing_ = true;
        wire_.clear();
        return;
    }
    if (nowUs < blockedUntilUs_)
        return;
    size_t n = pacer_.allowed(nowUs, wire_.size());
    if (n == 0)
        return;
    ssize_t written = ::write(fd(), wire_.data(), n);
    if (written > 0) {
        wire_.erase(0, size_t(written));
        pacer_.sent(size_t(written), wire_.size());
    } else if (written < 0 && errno == EAGAIN) {
        blockedUntilUs_ = nowUs + 50'000; // nobody reads the terminal: try again a little later
    }
}

void SimConnection::dropLink()
{
    drop_ = false;
    transfer_.reset();
    replies_.clear();
    wire_.clear();
    reader_ = LineReader();
    if (!pty_) {
        closing_ = true;
        return;
    }
    // Like a cable pulled and put back: the tool's open port dies, the link name leads to a
    // fresh terminal. The new one is in place before the old one goes, so a tool that reopens
    // the link as soon as its port fails finds it.
    Pty fresh;
    if (openPty(options_.ptyLink, &fresh)) {
        closePty(pty_.get());
        *pty_ = std::move(fresh);
    } else {
        std::fprintf(stderr, "plnsim: the pseudo-terminal could not be replaced\n");
        closePty(pty_.get());
    }
    pacer_.reset();
}

int64_t SimConnection::wakeAtUs() const
{
    int64_t due = -1;
    auto consider = [&due](int64_t t) {
        if (t >= 0)
            due = due < 0 ? t : std::min(due, t);
    };
    auto considerMs = [&consider](int64_t ms) {
        if (ms >= 0)
            consider(ms * 1000);
    };
    if (!replies_.empty() && !transfer_)
        considerMs(replies_.front().due);
    if (crSince_ >= 0)
        considerMs(crSince_ + kCrGraceMs);
    if (transfer_)
        considerMs(transfer_->deadline());
    if (!wire_.empty() && pacer_.active())
        consider(std::max(pacer_.dueUs(wire_.size()), blockedUntilUs_));
    return due;
}
