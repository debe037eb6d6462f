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

} // namespace

bool receiveFileStep(OperationContext& ctx, const std::filesystem::path& path)
{
    return runTransfer(ctx, [&] { return TransferControl(ctx.link, ctx.view).fncReceiveFile(path); });
}

bool sendFileStep(OperationContext& ctx, const std::filesystem::path& path)
{
    return runTransfer(ctx, [&] { return TransferControl(ctx.link, ctx.view).fncSendFile(path); });
}
