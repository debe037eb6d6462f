#pragma once
// The controller's side of one XMODEM transfer, driven by the bytes that arrive and by the
// clock: no waiting inside, so the simulator's one poll loop serves every link while a
// transfer runs. The sender answers a "C" with CRC packets and a NAK with checksum packets and
// resends the EOT until it is acknowledged; the receiver asks with "C" (NAK after a few tries)
// and skips whatever comes between packets, such as the zero filling of the tool's TCP frames.

#include <cstdint>
#include <string>
#include <string_view>

// Faults the simulator can put into a transfer, for testing the tool's side.
struct XmodemFaults {
    int corruptBlock = 0;    // sender: the Nth data packet goes out once with a wrong check value (0: never)
    int nakCount = 0;        // receiver: NAK the first N packets; sender: take the first N ACKs as NAK
    int cancelAfter = -1;    // send two CAN after N blocks (-1: never)
    int stallAfter = -1;     // go silent after N blocks (-1: never)
    bool checksumOnly = false; // receiver asks with NAK only; sender ignores "C" and waits for a NAK
    int startDelayMs = 0;    // a slow controller: this long before its first packet or start request
    int ackDelayMs = 0;      // and this long before each answer after that
};

enum class XmodemState {
    Running,
    Done,      // the file went through
    Failed,    // cancelled by either side, retries exhausted, out of sequence, no start
    Abandoned, // stalled on purpose and given up: ends without a closing reply
};

class XmodemPeer {
public:
    virtual ~XmodemPeer() = default;
    // Bytes from the tool, already freed of any telnet escaping. Returns how many were taken:
    // what follows the end of the transfer belongs to the command lines.
    size_t receive(std::string_view bytes, int64_t nowMs);
    // Call when nowMs has reached deadline().
    void tick(int64_t nowMs);
    // -1: nothing is due; else the next time-out or the end of an answer's delay.
    int64_t deadline() const;
    // What is due to go out by nowMs (answers held for their delay stay).
    std::string takeOutput(int64_t nowMs = INT64_MAX);
    // An answer still held for its delay: the transfer is not over before it went out.
    bool holdsOutput() const { return !out_.empty(); }
    XmodemState state() const { return state_; }
    int blocks() const { return blocks_; }         // data blocks acknowledged so far

    // How long the stalled side waits for the tool to give up before it takes commands again.
    static constexpr int64_t kStallQuietMs = 11000;
    static constexpr int kMaxErrors = 10;

protected:
    explicit XmodemPeer(const XmodemFaults& faults) : faults_(faults) {}
    virtual void onByte(char c, int64_t nowMs) = 0;
    virtual void onDeadline(int64_t nowMs) = 0;
    // Bytes that go out delayMs after nowMs (at once when 0), after anything held before.
    void send(std::string_view bytes, int64_t nowMs, int64_t delayMs);
    void fail(bool sendCancel, int64_t nowMs);
    void finish() { state_ = XmodemState::Done; deadline_ = -1; }
    // True when the fault options say to stop here (after blocks_ blocks); the peer then has
    // cancelled or gone silent.
    bool faultStopsHere(int64_t nowMs);
    // Two CAN in a row from the tool.
    bool cancelled(char c);

    XmodemFaults faults_;
    int64_t deadline_ = -1;
    int blocks_ = 0;
    int errors_ = 0;

private:
    XmodemState state_ = XmodemState::Running;
    std::string out_;
    int64_t outDue_ = 0;
    int cans_ = 0;
    bool stalled_ = false;
};

// Sends data (the controller's file) to the tool.
class XmodemSender : public XmodemPeer {
public:
    XmodemSender(std::string data, const XmodemFaults& faults, int64_t nowMs);

    static constexpr int64_t kStartWaitMs = 60000;
    static constexpr int64_t kAnswerWaitMs = 10000;

private:
    void onByte(char c, int64_t nowMs) override;
    void onDeadline(int64_t nowMs) override;
    void sendNext(int64_t nowMs);
    void resend(int64_t nowMs);

    std::string data_;
    std::size_t position_ = 0;
    bool started_ = false;
    bool crc_ = true;
    uint8_t blockNumber_ = 0;
    int packetsBuilt_ = 0;
    std::string current_;   // the packet (or EOT) waiting for its answer
    int acksToRefuse_ = 0;
    bool sentAny_ = false;  // the first packet waits for the start delay, later ones for the answer delay
};

// Receives the tool's file.
class XmodemReceiver : public XmodemPeer {
public:
    XmodemReceiver(const XmodemFaults& faults, int64_t nowMs);
    // Every byte of every accepted block, the sender's padding included.
    const std::string& data() const { return data_; }

    static constexpr int64_t kFirstRequestMs = 100;   // lets the tool take the reply line first
    static constexpr int64_t kRequestEveryMs = 500;
    static constexpr int kCrcRequests = 6;            // then NAK, for a sender without CRC
    static constexpr int64_t kStartWaitMs = 60000;
    static constexpr int64_t kPacketWaitMs = 10000;

private:
    void onByte(char c, int64_t nowMs) override;
    void onDeadline(int64_t nowMs) override;
    void packetComplete(int64_t nowMs);
    void reject(int64_t nowMs);

    std::string data_;
    int64_t startedAt_;
    int requests_ = 0;
    bool started_ = false;
    bool crc_ = true;
    bool inPacket_ = false;
    std::string packet_;
    uint8_t expected_ = 1;
    int naksLeft_ = 0;
};
