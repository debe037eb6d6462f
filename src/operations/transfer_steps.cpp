#include "operations/transfer_steps.h"

#include "xmodem/transfer_control.h"

// The transfer control itself ends the controller's side of a transfer that the socket
// time-out broke off (stop sequence) and reads away the closing line of a failed one, so
// neither is repeated here: a second stop sequence or a second wait would only cost time.

bool receiveFileStep(OperationContext& ctx, const std::filesystem::path& path, int64_t expectedBytes)
{
    TransferControl control(ctx.link, ctx.view);
    control.expectBytes(expectedBytes);
    return control.fncReceiveFile(path) || ctx.fail(control.lastResult());
}

bool sendFileStep(OperationContext& ctx, const std::filesystem::path& path)
{
    TransferControl control(ctx.link, ctx.view);
    return control.fncSendFile(path) || ctx.fail(control.lastResult());
}

bool sendBytesStep(OperationContext& ctx, std::span<const uint8_t> bytes, const std::string& name)
{
    TransferControl control(ctx.link, ctx.view);
    return control.fncSendBytes(bytes, name) || ctx.fail(control.lastResult());
}
