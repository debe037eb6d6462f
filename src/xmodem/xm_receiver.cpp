#include "xm_receiver.h"

#include "xm_protocol.h"

namespace {

constexpr int64_t kPacketWaitMs = 10000;

class Reception {
public:
    Reception(XmReceiveContext& c, bool crc) : c_(c), crc_(crc) {}

    int run()
    {
        const int packetSize = crc_ ? kXmCrcPacketSize : kXmSumPacketSize;
        const int rest = packetSize - 3;  // data and check bytes after the header
        const uint8_t request = crc_ ? kCrcRequest : kNAK;
        uint8_t packet[kXmCrcPacketSize] = {};

        if (int r = send(request))
            return r;
        for (;;) {
            int x = c_.link.receiveFirst(packetSize, kPacketWaitMs);
            if (x == kXmStopped)
                return stop();

            if (x == kSOH) {
                started_ = true;
                int h = c_.link.receiveRest(packet + 1, 2, kPacketWaitMs);
                if (h == kXmStopped)
                    return stop();
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
                    int r = c_.link.receiveRest(packet + 3, rest, kPacketWaitMs);
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
                int r = c_.link.receiveRest(packet + 3, rest, kPacketWaitMs);
                if (r == kXmStopped)
                    return stop();
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
                // In CRC mode the ACK goes out before the block is stored, so the sender
                // prepares the next one meanwhile.
                if (crc_)
                    if (int w = send(kACK))
                        return w;
                if (!c_.sink.write(packet + 3, kXmBlockSize))
                    return cancel(kXmErrFileWrite);
                written_ += kXmBlockSize;
                if (!crc_)
                    if (int w = send(kACK))
                        return w;
                showCount();
                expected_ = (expected_ + 1) % 256;
                continue;
            }

            if (x == kEOT) {
                started_ = true;
                errors_ = cans_ = 0;
                if (++eots_ >= 2) {
                    if (int w = send(kACK))
                        return w;
                    return kXmComplete;
                }
                if (int w = send(kNAK, true))
                    return w;
                continue;
            }

            if (x == kCAN) {
                started_ = true;
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
                        return fncXmReceiveSum(c_);
                    if (errors_ >= 5)
                        return fail(kXmTimeout);
                } else if (errors_ >= 10) {
                    return fail(kXmTimeout);
                }
                if (int w = send(started_ || !crc_ ? kNAK : kCrcRequest))
                    return w;
                continue;
            }

            // Anything else: line noise once started; before the start, a sender that does
            // not speak CRC.
            if (!crc_ || started_)
                continue;
            if (++errors_ >= 3)
                return fncXmReceiveSum(c_);
            if (int w = send(kCrcRequest))
                return w;
        }
    }

private:
    int send(uint8_t b, bool keepInput = false) { return c_.link.sendControl(b, keepInput); }

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
    return Reception(context, true).run();
}

int fncXmReceiveSum(XmReceiveContext& context)
{
    return Reception(context, false).run();
}
