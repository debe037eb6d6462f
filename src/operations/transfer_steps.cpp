#include "transfer_steps.h"

#include "link/link_error.h"
#include "xmodem/socket_transport.h"
#include "xmodem/transfer_control.h"

namespace {

template <typename Transfer>
bool runTransfer(OperationContext& ctx, Transfer&& transfer)
{
    try {
        return transfer();
    } catch (const LinkError& e) {
        if (e.number() == kErrSockTimeout && ctx.state().gLinkMode == 2) {
            try {
                XmSocketTransport(ctx.link.sockets()).fncXmCancel();
            } catch (const std::exception&) {
                // The link is gone as well; the time-out is what the user hears of.
            }
        }
        throw;
    }
}

// On TCP the controller ends every transfer with a closing line, also one that it cancelled or
// that failed; the receive reads that line only after a success. Left on the socket, it would
// be taken for the reply to the next command.
void discardClosingLine(OperationContext& ctx)
{
    if (ctx.state().gLinkMode != 2 || ctx.state().gStopRequest)
        return;  // a stopped transfer has read away what came after its CAN bytes
    SocketLayer& sockets = ctx.link.sockets();
    if (ctx.link.socket().state() != kSockConnected)
        return;
    sockets.yield(Pump::All);
    std::string text = ctx.link.socket().readAll();
    if (text.find(ctx.state().gLanDelimiter) == std::string::npos)
        sockets.fncSockReceiveText(Pump::All);
}

} // namespace

bool receiveFileStep(OperationContext& ctx, const std::filesystem::path& path)
{
    const bool ok = runTransfer(ctx, [&] { return TransferControl(ctx.link, ctx.view).fncReceiveFile(path); });
    if (!ok)
        discardClosingLine(ctx);
    return ok;
}

bool sendFileStep(OperationContext& ctx, const std::filesystem::path& path)
{
    return runTransfer(ctx, [&] { return TransferControl(ctx.link, ctx.view).fncSendFile(path); });
}
