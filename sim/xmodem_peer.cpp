#include "xmodem_peer.h"

#include "xmodem_packet.h"

#include <algorithm>
#include <utility>

size_t XmodemPeer::receive(std::string_view bytes, int64_t nowMs)
{
    size_t used = 0;
    for (char c : bytes) {
        if (state_ != XmodemState::Running)
            break;
        ++used;
        if (stalled_) {
            // Silent until the tool gives up: two CAN, or a quiet link for a while.
            if (cancelled(c)) {
                state_ = XmodemState::Abandoned;
                deadline_ = -1;
            } else {
                deadline_ = nowMs + kStallQuietMs;
            }
            continue;
        }
        onByte(c, nowMs);
    }
    return used;
}

int64_t XmodemPeer::deadline() const
{
    // Without delays output is due at once: the caller takes it, there is nothing to wake for.
    if (out_.empty() || (faults_.startDelayMs == 0 && faults_.ackDelayMs == 0))
        return deadline_;
    return deadline_ < 0 ? outDue_ : std::min(deadline_, outDue_);
}

void XmodemPeer::send(std::string_view bytes, int64_t nowMs, int64_t delayMs)
{
    // Whatever is held goes out together with what follows it.
    if (out_.empty())
        outDue_ = nowMs + delayMs;
    out_ += bytes;
}

void XmodemPeer::tick(int64_t nowMs)
{
    if (state_ != XmodemState::Running || deadline_ < 0 || nowMs < deadline_)
        return;
    if (stalled_) {
        state_ = XmodemState::Abandoned;
        deadline_ = -1;
        return;
    }
    onDeadline(nowMs);
}

std::string XmodemPeer::takeOutput(int64_t nowMs)
{
    if (nowMs < outDue_)
        return {};
    return std::exchange(out_, {});
}

void XmodemPeer::fail(bool sendCancel, int64_t nowMs)
{
    if (sendCancel)
        send(std::string(2, xm::kCan), nowMs, faults_.ackDelayMs);
    state_ = XmodemState::Failed;
    deadline_ = -1;
}

bool XmodemPeer::faultStopsHere(int64_t nowMs)
{
    if (faults_.cancelAfter == blocks_) {
        fail(true, nowMs);
        return true;
    }
    if (faults_.stallAfter == blocks_) {
        stalled_ = true;
        deadline_ = nowMs + kStallQuietMs;
        return true;
    }
    return false;
}

bool XmodemPeer::cancelled(char c)
{
    if (c != xm::kCan) {
        cans_ = 0;
        return false;
    }
    return ++cans_ >= 2;
}

// ---- sender ----

XmodemSender::XmodemSender(std::string data, const XmodemFaults& faults, int64_t nowMs)
    : XmodemPeer(faults), data_(std::move(data)), acksToRefuse_(faults.nakCount)
{
    deadline_ = nowMs + kStartWaitMs;
}

void XmodemSender::onByte(char c, int64_t nowMs)
{
    if (cancelled(c)) {
        fail(false, nowMs);
        return;
    }
    if (!started_) {
        // A receiver that asks for CRC while checksum packets are all we offer gets no answer
        // until it falls back to NAK.
        if ((c == xm::kCrcRequest && !faults_.checksumOnly) || c == xm::kNak) {
            started_ = true;
            crc_ = c == xm::kCrcRequest;
            sendNext(nowMs);
        }
        return;
    }
    if (c == xm::kAck) {
        if (acksToRefuse_ > 0) {
            // As if the ACK had been garbled on the line: the same packet goes again, so the
            // tool has to recognise the repeat.
            --acksToRefuse_;
            resend(nowMs);
            return;
        }
        errors_ = 0;
        if (current_.size() == 1) { // the EOT
            finish();
            return;
        }
        ++blocks_;
        sendNext(nowMs);
    } else if (c == xm::kNak) {
        if (++errors_ >= kMaxErrors)
            fail(true, nowMs);
        else
            resend(nowMs);
    }
    // Anything else (a late "C", line noise) is not an answer: keep waiting.
}

void XmodemSender::onDeadline(int64_t nowMs)
{
    if (!started_) {
        fail(false, nowMs);
        return;
    }
    if (++errors_ >= kMaxErrors)
        fail(true, nowMs);
    else
        resend(nowMs);
}

void XmodemSender::sendNext(int64_t nowMs)
{
    if (faultStopsHere(nowMs))
        return;
    if (position_ >= data_.size()) {
        current_ = std::string(1, xm::kEot);
        resend(nowMs);
        return;
    }
    ++blockNumber_;
    current_ = xm::packet(blockNumber_, std::string_view(data_).substr(position_, xm::kBlock), crc_);
    position_ += xm::kBlock;
    if (++packetsBuilt_ == faults_.corruptBlock) {
        std::string bad = current_;
        bad.back() = char(bad.back() ^ 0x5A);
        send(bad, nowMs, sentAny_ ? faults_.ackDelayMs : faults_.startDelayMs);
        sentAny_ = true;
        deadline_ = nowMs + kAnswerWaitMs;
        return;
    }
    resend(nowMs);
}

void XmodemSender::resend(int64_t nowMs)
{
    send(current_, nowMs, sentAny_ ? faults_.ackDelayMs : faults_.startDelayMs);
    sentAny_ = true;
    deadline_ = nowMs + kAnswerWaitMs;
}

// ---- receiver ----

XmodemReceiver::XmodemReceiver(const XmodemFaults& faults, int64_t nowMs)
    : XmodemPeer(faults), startedAt_(nowMs), naksLeft_(faults.nakCount)
{
    // A slow controller asks for the file only after its start delay.
    deadline_ = nowMs + std::max<int64_t>(kFirstRequestMs, faults.startDelayMs);
}

void XmodemReceiver::onDeadline(int64_t nowMs)
{
    if (!started_) {
        if (nowMs - startedAt_ >= kStartWaitMs) {
            fail(true, nowMs);
            return;
        }
        crc_ = !faults_.checksumOnly && requests_ < kCrcRequests;
        send(std::string(1, crc_ ? xm::kCrcRequest : xm::kNak), nowMs, 0);
        ++requests_;
        deadline_ = nowMs + kRequestEveryMs;
        return;
    }
    // No packet, or only part of one, in time.
    inPacket_ = false;
    packet_.clear();
    reject(nowMs);
}

void XmodemReceiver::reject(int64_t nowMs)
{
    if (++errors_ >= kMaxErrors) {
        fail(true, nowMs);
        return;
    }
    send(std::string(1, xm::kNak), nowMs, faults_.ackDelayMs);
    deadline_ = nowMs + kPacketWaitMs;
}

void XmodemReceiver::onByte(char c, int64_t nowMs)
{
    if (inPacket_) {
        packet_ += c;
        deadline_ = nowMs + kPacketWaitMs;
        if (packet_.size() == xm::packetSize(crc_)) {
            inPacket_ = false;
            packetComplete(nowMs);
        }
        return;
    }
    if (cancelled(c)) {
        fail(false, nowMs);
        return;
    }
    if (c == xm::kSoh) {
        started_ = true;
        inPacket_ = true;
        packet_.assign(1, c);
        deadline_ = nowMs + kPacketWaitMs;
    } else if (c == xm::kEot) {
        started_ = true;
        if (faultStopsHere(nowMs))
            return;
        send(std::string(1, xm::kAck), nowMs, faults_.ackDelayMs);
        finish();
    }
    // Between packets anything else is skipped: the zero filling of a TCP frame, a stray byte.
}

void XmodemReceiver::packetComplete(int64_t nowMs)
{
    if (!xm::packetHeaderValid(packet_)) {
        reject(nowMs);
        return;
    }
    uint8_t b = uint8_t(packet_[1]);
    if (b == expected_) {
        if (faultStopsHere(nowMs))
            return;
        if (naksLeft_ > 0) {
            --naksLeft_;
            send(std::string(1, xm::kNak), nowMs, faults_.ackDelayMs);
            deadline_ = nowMs + kPacketWaitMs;
            return;
        }
        if (!xm::packetCheckValid(packet_, crc_)) {
            reject(nowMs);
            return;
        }
        send(std::string(1, xm::kAck), nowMs, faults_.ackDelayMs);
        data_.append(packet_, 3, xm::kBlock);
        ++expected_;
        ++blocks_;
        errors_ = 0;
        deadline_ = nowMs + kPacketWaitMs;
    } else if (b == uint8_t(expected_ - 1)) {
        // Our ACK was lost and the sender repeats the block we already have.
        send(std::string(1, xm::kAck), nowMs, faults_.ackDelayMs);
        deadline_ = nowMs + kPacketWaitMs;
    } else {
        fail(true, nowMs);
    }
}
