#pragma once
// One link of the simulator (a TCP connection or the pseudo-terminal): command lines in,
// replies out, and while a file moves the XMODEM side of the controller in between. On TCP the
// transfer bytes are telnet-stuffed both ways and a closing line follows the transfer; the
// pseudo-terminal's output can be paced at a line rate.

#include "controller.h"
#include "controller_data.h"
#include "line_pacer.h"
#include "line_reader.h"
#include "pty.h"
#include "sim_options.h"
#include "telnet_codec.h"
#include "xmodem_peer.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

class SimConnection {
public:
    // A TCP connection on fd.
    SimConnection(int fd, const SimOptions& options, Controller& controller, ControllerData& data);
    // The pseudo-terminal behind options.ptyLink (already open).
    SimConnection(Pty pty, const SimOptions& options, Controller& controller, ControllerData& data);
    ~SimConnection();
    SimConnection(const SimConnection&) = delete;
    SimConnection& operator=(const SimConnection&) = delete;

    int fd() const { return pty_ ? pty_->master : fd_; }
    // Reads what has arrived (poll said readable or hung up). Times are in microseconds of
    // the steady clock: the line pacing needs them finer than a millisecond.
    void onReadable(int64_t nowUs);
    // Answers the lines that are complete, sends what is due, moves the transfer on.
    void step(int64_t nowUs);
    // The next moment (microseconds) step() has something to do, -1 for none.
    int64_t wakeAtUs() const;
    // A TCP connection that is finished with; the caller closes and forgets it.
    bool closing() const { return closing_; }

private:
    struct Reply {
        int64_t due;
        std::string line;        // reply text and terminator
        ControllerReply request; // the transfer it announces, if any
        std::string terminator;  // for the closing line after the transfer
    };
    void answer(const CommandLine& line, int64_t nowMs);
    void startTransfer(const Reply& reply, int64_t nowMs);
    void transferInput(std::string bytes, int64_t nowMs);
    void transferOutput(int64_t nowMs);
    void endTransfer(int64_t nowMs);
    void queue(const std::string& bytes);
    void flush(int64_t nowUs);
    void dropLink();

    const SimOptions& options_;
    Controller& controller_;
    ControllerData& data_;
    int fd_ = -1;
    std::unique_ptr<Pty> pty_;
    LineReader reader_;
    int64_t crSince_ = -1;
    std::deque<Reply> replies_;
    int answered_ = 0;
    bool closing_ = false;

    std::unique_ptr<XmodemPeer> transfer_;
    bool receiving_ = false;
    ControllerReply transferRequest_;
    std::string transferTerminator_;
    TelnetUnescaper unescaper_;
    int64_t transferBytes_ = 0; // moved in either direction, for --drop-after
    bool drop_ = false;

    std::string wire_;          // bytes waiting to be written
    LinePacer pacer_{0};        // the pseudo-terminal's line rate (inactive: no pacing)
    int64_t blockedUntilUs_ = 0;
};
