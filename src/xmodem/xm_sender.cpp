#include "xmodem/xm_sender.h"

#include "xmodem/xm_limits.h"
#include "xmodem/xm_protocol.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t kStartWaitMs = 60000;
constexpr int64_t kAnswerWaitMs = 10000;

int cancel(XmTransport& link, int status)
{
    int r = link.fncXmCancel();
    return r ? r : status;
}

int fail(XmTransport& link, int status)
{
    link.clearInput();
    return status;
}

} // namespace

int fncXmSend(XmTransport& link, std::span<const uint8_t> file, TransferView* view)
{
    int errors = 0;
    int cans = 0;
    bool crc = false;
    for (;;) {
        int x = link.receiveAnswer(kStartWaitMs);
        if (x == kCrcRequest || x == kNAK) {
            crc = x == kCrcRequest;
            break;
        }
        if (x == kCAN) {
            errors = 0;
            if (++cans >= 2)
                return kXmCancelled;
            continue;
        }
        if (x == kXmStopped)
            return cancel(link, kXmStopped);
        if (x == kXmTimeout)
            return fail(link, kXmTimeout);
        ++errors;
        link.clearInput();
        if (errors >= 10)
            return kXmFailed;
    }
    errors = cans = 0;
    // From the start request on, a packet must be acknowledged within the progress limit.
    int64_t progressAt = link.nowMs();

    std::size_t position = 0;
    int block = 0;
    uint8_t packet[kXmCrcPacketSize];
    for (;;) {
        int size = 1;
        if (position >= file.size()) {
            packet[0] = kEOT;
        } else {
            block = (block + 1) % 256;
            packet[0] = kSOH;
            packet[1] = uint8_t(block);
            packet[2] = uint8_t(255 - block);
            std::size_t n = std::min<std::size_t>(kXmBlockSize, file.size() - position);
            std::memcpy(packet + 3, file.data() + position, n);
            std::memset(packet + 3 + n, 0xFF, kXmBlockSize - n);
            position += n;
            if (crc) {
                int r = fncXmCrc16(kXmBlockSize, packet, 3);
                packet[131] = uint8_t(r >> 8);
                packet[132] = uint8_t(r & 0xFF);
                size = kXmCrcPacketSize;
            } else {
                packet[131] = xmChecksum(packet + 3, kXmBlockSize);
                size = kXmSumPacketSize;
            }
        }
        if (int r = link.sendPacket(packet, size))
            return r;
        if (view) {
            int64_t value = view->progressValue();
            int64_t maximum = view->progressMaximum();
            if (value < maximum)
                view->setProgressValue(std::min<int64_t>(value + kXmBlockSize, maximum));
            view->transferred(int64_t(position));
        }

        for (;;) {
            int64_t left = progressAt + kXmProgressLimitMs - link.nowMs();
            if (left <= 0)
                return cancel(link, kXmTimeout);
            int x = link.receiveAnswer(std::min(kAnswerWaitMs, left));
            if (x == kACK) {
                errors = cans = 0;
                if (size == 1)
                    return kXmComplete;
                progressAt = link.nowMs();
                break;
            }
            if (x == kXmTimeout && link.nowMs() - progressAt >= kXmProgressLimitMs)
                return cancel(link, kXmTimeout);
            if (x == kNAK || x == kXmTimeout) {
                cans = 0;
                if (++errors >= 10)
                    return fail(link, x == kNAK ? kXmFailed : kXmTimeout);
                if (int r = link.sendPacket(packet, size))
                    return r;
                continue;
            }
            if (x == kCAN) {
                errors = 0;
                if (++cans >= 2)
                    return fail(link, kXmCancelled);
                continue;
            }
            if (x == kXmStopped)
                return cancel(link, kXmStopped);
            // anything else is line noise
        }
    }
}
