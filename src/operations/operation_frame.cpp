#include "operations/operation_frame.h"

#include "app/app_state.h"
#include "link/link_error.h"
#include "xmodem/transfer_control.h"

const OperationFrameKind OperationFrameKind::Command{false, false, true};
const OperationFrameKind OperationFrameKind::Receive{false, false, true};
const OperationFrameKind OperationFrameKind::Send{true, false, true};
const OperationFrameKind OperationFrameKind::Load{true, true, true};
const OperationFrameKind OperationFrameKind::Capture{false, false, false};
const OperationFrameKind OperationFrameKind::Batch{false, false, false, true};

namespace {
constexpr long kMessageNoReply = 22;
constexpr long kCaptionPreparing = 6;
}

OperationFrame::OperationFrame(OperationContext& ctx, const OperationFrameKind& kind)
    : OperationFrame(FrameContext{ctx.state(), ctx.messages(), ctx.view}, kind)
{
}

OperationFrame::OperationFrame(const FrameContext& ctx, const OperationFrameKind& kind) : ctx_(ctx), kind_(kind)
{
    if (kind_.progressBar)
        ctx_.view.setProgressVisible(true);
}

OperationFrame::~OperationFrame()
{
    finish();
}

void OperationFrame::openWindow()
{
    ctx_.state.gStopRequest = 0;
    const std::string caption = ctx_.messages.fncGetMessage("Label", kCaptionPreparing);
    if (kind_.batchWindow) {
        ctx_.view.setStep(kCaptionPreparing, caption);
        ctx_.view.setMainWindowEnabled(false);
        ctx_.view.setReadText("");
        ctx_.view.setReadVisible(true);
    } else {
        ctx_.view.setReadVisible(true);
        ctx_.view.setMainWindowEnabled(false);
        ctx_.view.setStep(kCaptionPreparing, caption);
    }
    ctx_.view.showWindow();
    ctx_.view.repaint();
}

void OperationFrame::step(long labelNumber)
{
    ctx_.view.setStep(labelNumber, ctx_.messages.fncGetMessage("Label", labelNumber));
    ctx_.view.repaint();
}

void OperationFrame::finish()
{
    if (finished_)
        return;
    finished_ = true;
    if (kind_.progressBar)
        ctx_.view.setProgressVisible(false);
    ctx_.view.setMainWindowEnabled(true);
    ctx_.view.unloadWindow();
}

namespace {

bool runInFrame(const FrameContext& ctx, const OperationFrameKind& kind,
                const std::function<bool(OperationFrame&)>& body, OpResult& outcome)
{
    OperationFrame frame(ctx, kind);
    outcome = OpResult::unreported({});
    bool result = false;
    try {
        result = body(frame);
    } catch (const LinkError& e) {
        // A connection that broke in the middle of a transfer has not been reported by anyone:
        // it is the same news for the user as a controller that stopped answering.
        const bool timeout = (e.number() == kErrSockTimeout || e.number() == kErrLinkFailure) && kind.timeoutMessage;
        const bool empty = e.number() == kErrEmptyFile && kind.emptyFileMessage;
        if (timeout || empty)
            outcome = OpResult::shownOr(ctx.messages.fncShowMessage("Message", kMessageNoReply), e.what());
        else if (e.number() == kErrLinkReported)
            outcome = OpResult::reported(e.what());
        else
            outcome = OpResult::unreported(e.what());
        result = false;
    } catch (const std::exception& e) {
        // Nothing below has reported it (a folder that cannot be written, no memory).
        ctx.messages.showErrorBox(e.what());
        outcome = OpResult::reported(e.what());
        result = false;
    }
    if (result)
        outcome = OpResult::ok();
    frame.finish();
    return result;
}

} // namespace

bool runOperation(OperationContext& ctx, const OperationFrameKind& kind,
                  const std::function<bool(OperationFrame&)>& body)
{
    return runInFrame(FrameContext{ctx.state(), ctx.messages(), ctx.view}, kind, body, ctx.outcome);
}

bool runOperation(const FrameContext& ctx, const OperationFrameKind& kind,
                  const std::function<bool(OperationFrame&)>& body)
{
    OpResult outcome = OpResult::ok();  // the batch run reports each file itself
    return runInFrame(ctx, kind, body, outcome);
}
