#include "xmodem/transfer_control.h"

#include "app/app_state.h"
#include "xmodem/serial_transport.h"
#include "xmodem/socket_transport.h"
#include "xmodem/xm_limits.h"
#include "xmodem/xm_receiver.h"
#include "xmodem/xm_sender.h"

#include "files/file_util.h"
#include "link/lan_address.h"
#include "link/link_error.h"

#include <algorithm>
#include <cerrno>
#include <span>
#include <vector>

namespace {

constexpr int64_t kClosingReplyMs = 5000;
constexpr long kMsgTransferFailed = 22;
constexpr long kMsgTransferTimeout = 23;
constexpr long kMsgPeerClosed = 301;
constexpr long kMsgDamagedBlocks = 302;

// Writes the blocks into the file and hands the first headerBytes of them to `header` once.
class FileSink : public XmBlockSink {
public:
    FileSink(ReplacingFile& file, std::size_t headerBytes, std::function<void(const uint8_t*)> header)
        : file_(file), headerBytes_(header ? headerBytes : 0), header_(std::move(header))
    {
    }
    bool write(const uint8_t* data, std::size_t size) override
    {
        if (seen_.size() < headerBytes_) {
            seen_.insert(seen_.end(), data, data + std::min(size, headerBytes_ - seen_.size()));
            if (seen_.size() == headerBytes_)
                header_(seen_.data());
        }
        return file_.write(data, size);
    }

private:
    ReplacingFile& file_;
    std::size_t headerBytes_;
    std::function<void(const uint8_t*)> header_;
    std::vector<uint8_t> seen_;
};

// The whole file to send, or nullopt with the reason.
std::optional<std::string> readFileToSend(const std::filesystem::path& path, std::string& error)
{
    std::string bytes;
    int errorNumber = 0;
    if (readWholeFile(path, bytes, kXmMaxFileBytes, errorNumber))
        return bytes;
    error = errorNumber == EFBIG ? "The file " + path.string() + " is too large to send."
                                 : describeFileError("Cannot open", path, errorNumber);
    return std::nullopt;
}

// Passes everything to the operation's view and adds the estimate after each block.
class EstimatingView : public TransferView {
public:
    EstimatingView(TransferView& view, Clock& clock, int64_t total) : view_(view), estimate_(clock, total)
    {
        view_.estimated(estimate_.figures());
    }
    void setReadText(const std::string& text) override { view_.setReadText(text); }
    void setProgressMaximum(int64_t maximum) override { view_.setProgressMaximum(maximum); }
    int64_t progressMaximum() const override { return view_.progressMaximum(); }
    void setProgressValue(int64_t value) override { view_.setProgressValue(value); }
    int64_t progressValue() const override { return view_.progressValue(); }
    void transferred(int64_t bytes) override
    {
        view_.transferred(bytes);
        estimate_.update(bytes);
        view_.estimated(estimate_.figures());
    }
    void finish(bool complete) { view_.estimated(estimate_.finish(complete)); }
    void setTotal(int64_t total) { estimate_.setTotal(total); }

private:
    TransferView& view_;
    TransferEstimate estimate_;
};

} // namespace

struct TransferControl::Impl {
    DeviceLink& link;
    TransferView& view;
    int status = kXmComplete;
    int64_t expected = 0;
    std::size_t headerBytes = 0;
    std::function<int64_t(const uint8_t*)> sizeOf;
    bool reported = false;  // the failure of the last transfer has been shown

    void begin()
    {
        status = kXmNoStatus;  // stays so when a LinkError passes through
        reported = false;
    }
    void errorBox(const std::string& description)
    {
        link.messages().showErrorBox(description);
        reported = true;
    }

    AppState& state() { return link.state(); }
    bool serial() const { return link.state().gLinkMode == kLinkSerial; }
    bool lan() const { return link.state().gLinkMode == kLinkLan; }

    XmSocketTransport* socketLink = nullptr;  // the transport of the running TCP transfer

    std::unique_ptr<XmTransport> transport()
    {
        socketLink = nullptr;
        // Without a link the serial helpers find the port closed: the first write says so.
        if (lan()) {
            auto socketTransport = std::make_unique<XmSocketTransport>(link.sockets());
            socketLink = socketTransport.get();
            return socketTransport;
        }
        return std::make_unique<XmSerialTransport>(link.state(), link.clock(), link.waiter(), link.port(),
                                                   link.messages().prompter());
    }

    bool endsWithDelimiter(const std::string& text) const
    {
        const std::string& delimiter = link.state().gLanDelimiter;
        return !delimiter.empty() && text.size() >= delimiter.size()
            && text.compare(text.size() - delimiter.size(), delimiter.size(), delimiter) == 0;
    }

    // True when the stop sequence of this transfer already read the closing line. The line is
    // the last thing the controller sends, so it ends the text; a delimiter byte inside a
    // block that was still on its way does not count.
    bool stopSequenceTookClosingLine() const
    {
        return socketLink && endsWithDelimiter(socketLink->cancelText());
    }

    // TCP, after a transfer that failed: the controller still ends it with a line ("ER").
    // Left unread it would become the reply to the next command, so it is read and dropped
    // here, within the same 5000 ms as the closing reply of a good transfer. The result stays.
    void discardClosingLine()
    {
        if (stopSequenceTookClosingLine())
            return;
        TcpSocket& socket = link.sockets().socket();
        int64_t end = link.clock().nowMs() + kClosingReplyMs;
        std::string seen;
        while (socket.state() == kSockConnected) {
            seen += socket.readAll();
            if (endsWithDelimiter(seen) || link.clock().nowMs() >= end)
                return;
            link.waiter().waitUntil(end, Pump::All);
        }
    }

    // TCP, after the socket time-out ended a transfer: the controller may still be in it (a
    // stalled sender or receiver swallows whatever comes next, commands included), so it is
    // told with the stop sequence that the transfer is over, and its closing line is taken.
    // The time-out itself still goes to the caller.
    void endAbandonedTransfer()
    {
        if (!socketLink || link.sockets().socket().state() != kSockConnected)
            return;
        try {
            socketLink->fncXmCancel();
            discardClosingLine();
        } catch (const LinkError&) {
            // The link broke on the way: the time-out is what the user hears of.
        }
    }

    // TCP: the controller's line after the transfer. "ER" alone on it turns the result into a
    // failure; anything else, a reply in pieces or none within 5000 ms leaves it as it is.
    void takeClosingReply()
    {
        const std::string errorReply = "ER" + state().gLanDelimiter;
        SocketLayer& sockets = link.sockets();
        int64_t end = link.clock().nowMs() + kClosingReplyMs;
        while (link.clock().nowMs() < end && sockets.socket().state() == kSockConnected) {
            std::string piece = sockets.fncSockReceiveText();
            if (piece.find(state().gLanDelimiter) != std::string::npos) {
                if (piece == errorReply)
                    status = kXmFailed;
                return;
            }
        }
    }

    // The port or address the transfer ran on, as the messages name it.
    std::string where()
    {
        if (lan()) {
            const TcpSocket& socket = link.sockets().socket();
            return formatLanAddress(socket.remoteHost(), socket.remotePort());
        }
        return link.channel().serialName();
    }

    // A connection that the controller closed during the transfer is told here, with its
    // address; the operation then ends without a second box.
    [[noreturn]] void reportBrokenLink(const LinkError& e)
    {
        const bool closed = link.sockets().socket().state() != kSockConnected;
        if (!lan() || (e.number() != kErrLinkFailure && !closed))
            throw e;
        link.messages().fncShowMessageAbout("Message", kMsgPeerClosed, where());
        throw LinkError(kErrLinkReported, e.what(), e.source());
    }

    void reportStatus(bool damagedBlocks = false)
    {
        if (status == kXmFailed && damagedBlocks) {
            reported = link.messages().fncShowMessageAbout("Message", kMsgDamagedBlocks, where()) != 0;
            return;
        }
        if (status == kXmFailed)
            reported = link.messages().fncShowMessage("Message", kMsgTransferFailed) != 0;
        else if (status == kXmTimeout)
            reported = link.messages().fncShowMessage("Message", kMsgTransferTimeout) != 0;
    }
};

namespace {

// The serial port in binary mode for the length of one transfer, given back in text mode
// however the transfer ends (a raised failure included).
class BinaryPortScope {
public:
    BinaryPortScope(TransferControl& control, bool serial) : control_(serial ? &control : nullptr)
    {
        if (control_)
            control_->fncXmOpenPort();
    }
    ~BinaryPortScope()
    {
        if (control_)
            control_->fncXmClosePort();
    }

private:
    TransferControl* control_;
};

} // namespace

TransferControl::TransferControl(DeviceLink& link, TransferView& view)
    : impl_(std::make_unique<Impl>(Impl{link, view}))
{
}

TransferControl::~TransferControl() = default;

void TransferControl::expectBytes(int64_t total)
{
    impl_->expected = std::max<int64_t>(total, 0);
}

void TransferControl::expectBytesFromHeader(std::size_t headerBytes, std::function<int64_t(const uint8_t*)> sizeOf)
{
    impl_->headerBytes = headerBytes;
    impl_->sizeOf = std::move(sizeOf);
}

int TransferControl::lastStatus() const
{
    return impl_->status;
}

OpResult TransferControl::lastResult() const
{
    const int status = impl_->status;
    if (status == kXmComplete)
        return OpResult::ok();
    // A refused port write has shown its box, or the lost device has been told as the link
    // ended when the transfer gave the port back.
    if (impl_->reported || status == kErrLinkFailure)
        return OpResult::reported();
    switch (status) {
    case kXmStopped: return OpResult::unreported("stopped");
    case kXmTimeout: return OpResult::unreported("the transfer timed out");
    case kXmCancelled: return OpResult::unreported("the controller cancelled the transfer");
    default: return OpResult::unreported("the transfer failed");
    }
}

void TransferControl::fncXmOpenPort()
{
    // The same port in binary mode: the link goes on, so the log shows only a failure, and
    // the transfer control ends a link whose port does not come back.
    impl_->link.channel().fncSwitchComMode(true);
}

void TransferControl::fncXmClosePort()
{
    CommandChannel& channel = impl_->link.channel();
    // A device that went away during the transfer (or would not reopen) ends the link, with
    // one message naming it; Connect then works at once.
    if (impl_->link.port().deviceLost()) {
        channel.endLostSerialLink();
        return;
    }
    if (impl_->state().gLinkMode == kLinkNone) {
        channel.fncCloseComPort();
        return;
    }
    if (channel.fncSwitchComMode(false) != 0)
        channel.endLostSerialLink();
}

bool TransferControl::fncReceiveFile(const std::filesystem::path& path)
{
    Impl& d = *impl_;
    d.begin();
    ReplacingFile file(path);
    if (!file.ok()) {
        d.errorBox(file.error());
        d.status = kXmErrFileWrite;
        return false;
    }
    {
        auto mark = d.link.channel().markTransfer();
        BinaryPortScope port(*this, d.serial());
        auto link = d.transport();
        Messenger& messages = d.link.messages();
        EstimatingView view(d.view, d.link.clock(), xmReceivedBytes(d.expected));
        std::function<void(const uint8_t*)> header;
        if (d.sizeOf)
            header = [&](const uint8_t* bytes) {
                if (const int64_t size = d.sizeOf(bytes); size > 0)
                    view.setTotal(xmReceivedBytes(size));
            };
        FileSink sink(file, d.headerBytes, header);
        XmReceiveContext context{*link, sink, &view, messages.fncGetMessage("Label", 4),
                                 messages.fncGetMessage("Label", 5)};
        try {
            d.status = fncXmReceive(context);
        } catch (const LinkError& e) {
            if (d.lan())
                d.endAbandonedTransfer();
            d.reportBrokenLink(e);
        }
        if (d.lan() && d.status == kXmComplete)
            d.takeClosingReply();
        else if (d.lan())
            d.discardClosingLine();
        // The received file replaces the old one only now: after a failure, a stop or an
        // "ER" closing reply the previous file is still there, byte for byte.
        if (d.status == kXmComplete && !file.commit())
            d.status = kXmErrFileWrite;
        view.finish(d.status == kXmComplete);
        if (d.status == kXmErrFileWrite)
            d.errorBox(file.error());
        else if (d.status == kXmErrTooLarge)
            d.errorBox("The controller sent more than 64 MiB, the most a transfer may hold; "
                                  "the transfer was stopped and " + path.string() + " was not changed.");
        d.reportStatus(context.damagedBlocks);
    }
    return d.status == kXmComplete;
}

bool TransferControl::fncSendFile(const std::filesystem::path& path)
{
    Impl& d = *impl_;
    d.begin();
    std::string error;
    auto bytes = readFileToSend(path, error);
    if (!bytes) {
        d.errorBox(error);
        d.status = kXmErrFileWrite;
        return false;
    }
    return fncSendBytes(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()), path.string());
}

bool TransferControl::fncSendBytes(std::span<const uint8_t> bytes, const std::string& name)
{
    Impl& d = *impl_;
    d.begin();
    if (bytes.empty())
        throw LinkError(kErrEmptyFile, "The file " + name + " is empty.");
    {
        auto mark = d.link.channel().markTransfer();
        BinaryPortScope port(*this, d.serial());
        d.view.setProgressMaximum(int64_t(bytes.size()));
        d.view.setProgressValue(0);
        EstimatingView view(d.view, d.link.clock(), int64_t(bytes.size()));
        auto link = d.transport();
        try {
            d.status = fncXmSend(*link, bytes, &view);
        } catch (const LinkError& e) {
            if (d.lan())
                d.endAbandonedTransfer();
            d.reportBrokenLink(e);
        }
        // A line the stop sequence already read is not waited for a second time.
        if (d.lan() && !d.stopSequenceTookClosingLine())
            d.takeClosingReply();
        view.finish(d.status == kXmComplete);
        d.reportStatus();
    }
    return d.status == kXmComplete;
}
