#include "xmodem/xm_receiver.h"

#include "xmodem/xm_limits.h"
#include "xmodem/xm_protocol.h"

#include <algorithm>

namespace {

constexpr int64_t kPacketWaitMs = 10000;
// A sender that never starts ends by the error counts: 3 x 10 s asking for CRC, then 10 x 10 s
// asking for checksum packets. Noise before the start does not count in checksum mode, so
// this is the bound for it too.
constexpr int64_t kStartLimitMs = 130000;

class Reception {
public:
    Reception(XmReceiveContext& c, bool crc, int64_t begunAt) : c_(c), crc_(crc), begunAt_(begunAt) {}

    int run()
    {
        const int packetSize = crc_ ? kXmCrcPacketSize : kXmSumPacketSize;
        const int rest = packetSize - 3;  // data and check bytes after the header
        const uint8_t request = crc_ ? kCrcRequest : kNAK;
        uint8_t packet[kXmCrcPacketSize] = {};

        if (int r = c_.link.sendStartRequest(request))
            return r;
        for (;;) {
            if (overdue())
                return cancel(kXmTimeout);
            if (startOverdue())
                return fail(kXmTimeout);
            int x = c_.link.receiveFirst(packetSize, budget());
            if (x == kXmStopped)
                return stop();
            if (x == kXmTimeout && overdue())
                return cancel(kXmTimeout);
            if (x == kXmTimeout && startOverdue())
                return fail(kXmTimeout);

            if (x == kSOH) {
                begin();
                int h = c_.link.receiveRest(packet + 1, 2, budget());
                if (h == kXmStopped)
                    return stop();
                if (h == kXmTimeout && overdue())
                    return cancel(kXmTimeout);
                if (h == kXmTimeout || ((packet[1] ^ 255) & 255) != packet[2]) {
                    if (int r = error(kXmTimeout))
                        return r;
                    continue;
                }
                const int block = packet[1];
                if (block != expected_) {
                    if (block != (expected_ + 255) % 256)
                        return cancel(kXmFailed);  // out of sequence
                    // The sender missed our ACK and sent the last block again.
                    int r = c_.link.receiveRest(packet + 3, rest, budget());
                    if (r == kXmTimeout && overdue())
                        return cancel(kXmTimeout);
                    if (r == rest || !crc_) {
                        errors_ = eots_ = cans_ = 0;
                        if (int w = send(kACK))
                            return w;
                        continue;
                    }
                    if (r == kXmStopped)
                        return stop();
                    if (int e = error(kXmTimeout))
                        return e;
                    continue;
                }
                int r = c_.link.receiveRest(packet + 3, rest, budget());
                if (r == kXmStopped)
                    return stop();
                if (r == kXmTimeout && overdue())
                    return cancel(kXmTimeout);
                if (r == kXmTimeout) {
                    if (int e = error(kXmTimeout))
                        return e;
                    continue;
                }
                eots_ = cans_ = 0;  // the error count stays: 10 bad blocks in a file end it
                bool good = crc_ ? fncXmCrc16(kXmBlockSize, packet, 3) == (packet[131] << 8 | packet[132])
                                 : xmChecksum(packet + 3, kXmBlockSize) == packet[131];
                if (!good) {
                    if (++errors_ >= 10) {
                        c_.damagedBlocks = true;
                        return fail(kXmFailed);
                    }
                    if (int w = send(kNAK))
                        return w;
                    continue;
                }
                // A block past the bound is not acknowledged: the controller hears the stop
                // sequence instead and the file is never kept.
                if (written_ + kXmBlockSize > int64_t(kXmMaxFileBytes))
                    return cancel(kXmErrTooLarge);
                // In CRC mode the ACK goes out before the block is stored, so the sender
                // prepares the next one meanwhile.
                if (crc_)
                    if (int w = send(kACK))
                        return w;
                if (!c_.sink.write(packet + 3, kXmBlockSize))
                    return cancel(kXmErrFileWrite);
                written_ += kXmBlockSize;
                progressAt_ = c_.link.nowMs();
                if (!crc_)
                    if (int w = send(kACK))
                        return w;
                showCount();
                expected_ = (expected_ + 1) % 256;
                continue;
            }

            if (x == kEOT) {
                begin();
                errors_ = cans_ = 0;
                if (++eots_ >= 2) {
                    if (int w = send(kACK))
                        return w;
                    // A sender that ends before its first block delivered no file at all: a
                    // backup of 0 bytes is no backup, so this is a failure, not a success.
                    return written_ > 0 ? kXmComplete : fail(kXmFailed);
                }
                if (int w = send(kNAK, true))
                    return w;
                continue;
            }

            if (x == kCAN) {
                begin();
                errors_ = eots_ = 0;
                if (++cans_ >= 2)
                    return fail(kXmCancelled);
                // Senders put their CAN bytes out back to back: the second may be waiting.
                if (int w = send(kNAK, true))
                    return w;
                continue;
            }

            if (x == kXmTimeout) {
                ++errors_;
                cans_ = eots_ = 0;
                if (crc_) {
                    if (!started_ && errors_ >= 3)
                        return fallBack();
                    if (errors_ >= 5)
                        return fail(kXmTimeout);
                } else if (errors_ >= 10) {
                    return fail(kXmTimeout);
                }
                if (int w = started_ ? send(kNAK) : c_.link.sendStartRequest(request))
                    return w;
                continue;
            }

            // Anything else: line noise once started; before the start, a sender that does
            // not speak CRC.
            if (!crc_ || started_)
                continue;
            if (++errors_ >= 3)
                return fallBack();
            if (int w = c_.link.sendStartRequest(kCrcRequest))
                return w;
        }
    }

private:
    int send(uint8_t b, bool keepInput = false) { return c_.link.sendControl(b, keepInput); }

    int fallBack() { return Reception(c_, false, begunAt_).run(); }

    // The first byte of a packet (SOH, EOT or CAN) starts the transfer and its progress watch.
    void begin()
    {
        if (started_)
            return;
        started_ = true;
        progressAt_ = c_.link.nowMs();
    }

    bool overdue() { return started_ && c_.link.nowMs() - progressAt_ >= kXmProgressLimitMs; }
    bool startOverdue() { return !started_ && c_.link.nowMs() - begunAt_ >= kStartLimitMs; }

    // How long the next wait may last: 10 s, less near the end of either bound.
    int64_t budget()
    {
        int64_t end = started_ ? progressAt_ + kXmProgressLimitMs : begunAt_ + kStartLimitMs;
        return std::clamp<int64_t>(end - c_.link.nowMs(), 0, kPacketWaitMs);
    }

    // A block that did not arrive whole or with a bad header: NAK, or the end after ten.
    int error(int endStatus)
    {
        ++errors_;
        cans_ = eots_ = 0;
        if (errors_ >= 10)
            return fail(endStatus);
        return send(kNAK);
    }

    int fail(int status)
    {
        c_.link.clearInput();
        return status;
    }

    int cancel(int status)
    {
        int r = c_.link.fncXmCancel();
        return r ? r : status;
    }

    int stop() { return cancel(kXmStopped); }

    void showCount()
    {
        if (!c_.view)
            return;
        // One caption per block with its final count: the intermediate ones are never seen.
        if (crc_)
            c_.view->setReadText(c_.readPrefix + " " + std::to_string(written_ + 1) + " " + c_.readSuffix);
        c_.view->transferred(written_);
    }

    XmReceiveContext& c_;
    const bool crc_;
    const int64_t begunAt_;
    int64_t progressAt_ = 0;
    int errors_ = 0;
    int eots_ = 0;
    int cans_ = 0;
    bool started_ = false;
    int expected_ = 1;
    int64_t written_ = 0;
};

} // namespace

int fncXmReceive(XmReceiveContext& context)
{
    return Reception(context, true, context.link.nowMs()).run();
}

int fncXmReceiveSum(XmReceiveContext& context)
{
    return Reception(context, false, context.link.nowMs()).run();
}
