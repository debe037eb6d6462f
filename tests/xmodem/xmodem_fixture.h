#pragma once
// A binary-mode serial link over the fakes with a scripted XMODEM peer: every write of ours
// is answered, 10 ms later, by the next entry of `replies` (an empty entry or an empty
// queue: silence, unless `defaultReply` says otherwise).

#include "link_fixture.h"
#include "memory_sink.h"

#include "xmodem/serial_transport.h"
#include "xmodem/xm_protocol.h"
#include "xmodem/xm_receiver.h"
#include "xmodem/xm_sender.h"

#include <deque>
#include <string>
#include <vector>

inline std::string bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values)
        s += char(v);
    return s;
}

// 128 bytes of a recognisable pattern for block n.
inline std::string blockData(int n)
{
    std::string d(128, '\0');
    for (int i = 0; i < 128; ++i)
        d[size_t(i)] = char((n * 7 + i * 13) & 0xFF);
    return d;
}

inline std::string crcPacket(int block, const std::string& data)
{
    std::string p = bytes({kSOH, block & 0xFF, 255 - (block & 0xFF)}) + data;
    int crc = fncXmCrc16(128, reinterpret_cast<const uint8_t*>(data.data()));
    return p + bytes({crc >> 8, crc & 0xFF});
}

inline std::string sumPacket(int block, const std::string& data)
{
    std::string p = bytes({kSOH, block & 0xFF, 255 - (block & 0xFF)}) + data;
    return p + char(xmChecksum(reinterpret_cast<const uint8_t*>(data.data()), 128));
}

// Keeps every progress value and caption it was given.
class RecordingView : public PlainTransferView {
public:
    std::vector<int64_t> values;
    std::vector<std::string> captions;
    std::vector<TransferFigures> figures;
    void estimated(const TransferFigures& f) override { figures.push_back(f); }
    void setProgressValue(int64_t v) override
    {
        values.push_back(v);
        PlainTransferView::setProgressValue(v);
    }
    void setReadText(const std::string& t) override
    {
        captions.push_back(t);
        PlainTransferView::setReadText(t);
    }
};

class XmodemSerialFixture : public LinkFixture {
protected:
    XmodemSerialFixture()
    {
        SerialConfig config;
        config.device = "/dev/fake1";
        config.binary = true;
        port->open(config, nullptr);
        port->onWrite = [this](const std::string& written) {
            std::string reply = defaultReply;
            if (!replies.empty()) {
                reply = replies.front();
                replies.pop_front();
            }
            if (!reply.empty())
                world.after(10, [this, reply] { port->input += reply; });
        };
    }

    int receive()
    {
        XmReceiveContext context{transport, sink, &view, "Received", "bytes"};
        return fncXmReceive(context);
    }

    int send(const std::string& file)
    {
        view.setProgressMaximum(int64_t(file.size()));
        return fncXmSend(transport, {reinterpret_cast<const uint8_t*>(file.data()), file.size()}, &view);
    }

    // Every write joined: the control bytes of the receiver read as one string.
    std::string allWritten() const
    {
        std::string all;
        for (const auto& w : port->written)
            all += w;
        return all;
    }

    XmSerialTransport transport{state, link->clock(), link->waiter(), *port, prompter};
    std::deque<std::string> replies;
    std::string defaultReply;
    MemorySink sink;
    RecordingView view;
};
