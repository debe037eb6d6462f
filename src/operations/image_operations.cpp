#include "operations/image_operations.h"

#include "image/bmp_to_raw.h"
#include "image/pln_file.h"
#include "operations/transfer_steps.h"
#include "xmodem/transfer_control.h"

#include <charconv>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr long kMessageFileMissing = 12;

// Captions of the operation window's steps.
constexpr long kStepCommand = 7;
constexpr long kStepSending = 8;
constexpr long kStepReceiving = 9;

// "0".."255" and nothing else: no sign, no blanks, no fraction.
bool parseHeaderByte(const std::string& text, uint8_t& value)
{
    unsigned n = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, n, 10);
    if (text.empty() || ec != std::errc() || p != end || n > 255)
        return false;
    value = static_cast<uint8_t>(n);
    return true;
}

OpResult reportMissing(Messenger& messages, const fs::path& file)
{
    const std::string what = "The file " + file.string() + " does not exist.";
    if (messages.fncShowMessage("Message", kMessageFileMissing) == 0)
        messages.showErrorBox(what);
    return OpResult::reported(what);
}

// A download is a PLN file: of the controller's full frame until its header tells the size.
void expectImage(TransferControl& control)
{
    control.expectBytes(plnFileBytes(kFrameWidth, kFrameHeight));
    control.expectBytesFromHeader(PlnHeader::kSize, [](const uint8_t* bytes) -> int64_t {
        const PlnHeader header = PlnHeader::fromBytes(bytes);
        if (header.width <= 0 || header.height <= 0 || header.width > kMaxImageSide || header.height > kMaxImageSide)
            return 0;
        return plnFileBytes(header.width, header.height);
    });
}

} // namespace

bool fncCapture(OperationContext& ctx)
{
    return runOperation(ctx, OperationFrameKind::Capture,
                        [&](OperationFrame&) {
        return ctx.link.commands().capture() || ctx.fail(ctx.link.commands().lastFailure());
    });
}

bool fncImgConvert(OperationContext& ctx, int16_t imageNumber, const fs::path& workFolder)
{
    return runOperation(ctx, OperationFrameKind::Receive, [&](OperationFrame& frame) {
        frame.openWindow();
        fs::create_directories(workFolder);
        const fs::path file = workFolder / kDownloadFile;
        fs::remove(file);
        frame.step(kStepCommand);
        if (!ctx.link.commands().announceImageSave(imageNumber))
            return ctx.fail(ctx.link.commands().lastFailure());
        frame.step(kStepReceiving);
        TransferControl control(ctx.link, ctx.view);
        expectImage(control);
        return control.fncReceiveFile(file) || ctx.fail(control.lastResult());
    });
}

bool fncImgLoad(OperationContext& ctx, const fs::path& workFolder)
{
    return runOperation(ctx, OperationFrameKind::Send, [&](OperationFrame& frame) {
        frame.openWindow();
        fs::create_directories(workFolder);
        const fs::path file = workFolder / kUploadFile;
        std::error_code ec;
        if (!fs::exists(file, ec))
            return ctx.fail(reportMissing(ctx.messages(), file));
        frame.step(kStepCommand);
        if (!ctx.link.commands().announceImageLoad())
            return ctx.fail(ctx.link.commands().lastFailure());
        frame.step(kStepSending);
        return sendFileStep(ctx, file);
    });
}

OpResult queryUploadHeader(DeviceLink& link, ImageWorkspace& ws)
{
    HkrHeader& h = ws.uploadImage.hkrHeader;
    uint8_t* fields[4] = {&h.bayerPattern, &h.gainR, &h.gainG, &h.gainB};
    for (int i = 0; i < 4; ++i) {
        const std::string reply = link.commands().imageInfo(i);
        if (reply.empty() || reply == "ER")
            return link.commands().lastFailure();
        if (!parseHeaderByte(reply, *fields[i])) {
            // A reply that fits no header byte would upload a wrongly scaled picture.
            const std::string what = "The controller answered \"" + reply + "\" to " +
                                     ControllerCommands::imageInfoLine(i) + "; a number from 0 to 255 was expected.";
            if (link.messages().fncShowMessage("Message", kMessageBadImageInfo) == 0)
                link.messages().showErrorBox(what);
            return OpResult::reported(what);
        }
    }
    return OpResult::ok();
}

bool makeUploadFile(ImageWorkspace& ws, const fs::path& workFolder, ImageReporter& reporter)
{
    return fncRemoveGain(ws) && fncMakeTmpBinFile(ws, workFolder / kUploadFile, reporter);
}
