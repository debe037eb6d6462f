#include "operation_frame.h"

#include "link/link_error.h"
#include "xmodem/transfer_control.h"

const OperationFrameKind OperationFrameKind::Command{false, false, true};
const OperationFrameKind OperationFrameKind::Receive{false, false, true};
const OperationFrameKind OperationFrameKind::Send{true, false, true};
const OperationFrameKind OperationFrameKind::Load{true, true, true};
const OperationFrameKind OperationFrameKind::Capture{false, false, false};

namespace {
constexpr long kMessageNoReply = 22;
constexpr long kCaptionPreparing = 6;
}

OperationFrame::OperationFrame(OperationContext& ctx, const OperationFrameKind& kind) : ctx_(ctx), kind_(kind)
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
    ctx_.state().gStopRequest = 0;
    ctx_.view.setReadVisible(true);
    ctx_.view.setMainWindowEnabled(false);
    ctx_.view.setStep(kCaptionPreparing, ctx_.messages().fncGetMessage("Label", kCaptionPreparing));
    ctx_.view.showWindow();
    ctx_.view.repaint();
}

void OperationFrame::step(long labelNumber)
{
    ctx_.view.setStep(labelNumber, ctx_.messages().fncGetMessage("Label", labelNumber));
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

bool runOperation(OperationContext& ctx, const OperationFrameKind& kind,
                  const std::function<bool(OperationFrame&)>& body)
{
    OperationFrame frame(ctx, kind);
    ctx.outcome = OpResult::unreported({});
    bool result = false;
    try {
        result = body(frame);
    } catch (const LinkError& e) {
        // A connection that broke in the middle of a transfer has not been reported by anyone:
        // it is the same news for the user as a controller that stopped answering.
        const bool timeout = (e.number() == kErrSockTimeout || e.number() == kErrLinkFailure) && kind.timeoutMessage;
        const bool empty = e.number() == kErrEmptyFile && kind.emptyFileMessage;
        if (timeout || empty)
            ctx.outcome = OpResult::shownOr(ctx.messages().fncShowMessage("Message", kMessageNoReply), e.what());
        else if (e.number() == kErrLinkReported)
            ctx.outcome = OpResult::reported(e.what());
        else
            ctx.outcome = OpResult::unreported(e.what());
        result = false;
    } catch (const std::exception& e) {
        // Nothing below has reported it (a folder that cannot be written, no memory).
        ctx.messages().showErrorBox(e.what());
        ctx.outcome = OpResult::reported(e.what());
        result = false;
    }
    if (result)
        ctx.outcome = OpResult::ok();
    frame.finish();
    return result;
}
