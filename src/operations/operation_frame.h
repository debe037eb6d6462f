#pragma once
// The frame every device operation runs in, written once.
//
// How an operation uses it (the bank save, in short):
//
//     bool fncBankSave(OperationContext& ctx, int16_t mode, int16_t n) {
//         return runOperation(ctx, OperationFrameKind::Receive, [&](OperationFrame& frame) {
//             auto file = ctx.dialogs.show(...);          // choose the file first
//             if (!file) return false;                     // cancelled: silently False
//             frame.openWindow();                         // stop flag cleared, main window
//                                                         // disabled, caption 6, window shown
//             frame.step(7);                              // before the command
//             if (!ctx.link.commands().announceDataSave(ControllerDataKind::Bank, n))
//                 return false;
//             frame.step(9);                              // 9 receiving, 8 sending
//             return TransferControl(ctx.link, ctx.view).fncReceiveFile(path);
//         });
//     }
//
// runOperation traps every failure the body raises: the socket time-out 40006 and a link that
// broke during a transfer 40020 (and, for the kinds that send a file the user chose, the empty
// file 380) show Message 22 once; any other LinkError ends the operation silently with False
// (the link has already reported it); an
// unexpected failure (file system, memory) is shown once with its description. On every path,
// also when the body returns early or throws, the progress bar is hidden, the main window is
// enabled again and the window is unloaded.

#include "operations/operation_view.h"

#include "app/file_dialogs.h"
#include "app/op_result.h"
#include "link/device_link.h"

#include <functional>

// What an operation works with: the link (and through it the state and the messages), the
// operation window and the main window's common file dialog.
struct OperationContext {
    DeviceLink& link;
    OperationView& view;
    FileDialogs& dialogs;

    // How the last operation on this context ended (set by runOperation), so a front end
    // knows whether the user has heard of its failure.
    OpResult outcome = OpResult::ok();

    AppState& state() { return link.state(); }
    Messenger& messages() { return link.messages(); }
    // Records why the operation fails; returns false for the body to return.
    bool fail(OpResult why)
    {
        outcome = std::move(why);
        return false;
    }
};

// What the frame itself works with: the stop flag, the texts and the operation window. An
// operation without a link (the batch conversion) runs in the frame with these alone.
struct FrameContext {
    AppState& state;
    Messenger& messages;
    OperationView& view;
};

// How the frame treats an operation.
struct OperationFrameKind {
    bool progressBar = false;       // ProgressBar1 visible while it runs (the sends)
    bool emptyFileMessage = false;  // failure 380 (empty file to send) shows Message 22
    bool timeoutMessage = true;     // failure 40006 shows Message 22 (not for the capture)
    // The batch conversion's window: its caption comes before the main window is disabled,
    // and the progress line starts empty.
    bool batchWindow = false;

    static const OperationFrameKind Command;  // a command only (bank change, capture ...)
    static const OperationFrameKind Receive;  // receives a file
    static const OperationFrameKind Send;     // sends a file the operation made
    static const OperationFrameKind Load;     // sends a file the user chose
    static const OperationFrameKind Capture;  // a command whose time-out shows nothing here
    static const OperationFrameKind Batch;    // the batch conversion: no link at all
};

class OperationFrame {
public:
    OperationFrame(const FrameContext& ctx, const OperationFrameKind& kind);
    OperationFrame(OperationContext& ctx, const OperationFrameKind& kind);
    ~OperationFrame();
    OperationFrame(const OperationFrame&) = delete;
    OperationFrame& operator=(const OperationFrame&) = delete;

    // gStopRequest cleared, lblRead visible, main window disabled, step caption 6, the window
    // shown and repainted. Call it after the file has been chosen.
    void openWindow();
    // lblWait shows step caption `labelNumber`; the window is repainted.
    void step(long labelNumber);
    // The final step: progress bar hidden, main window enabled, window unloaded. Runs once;
    // the destructor runs it when nobody did.
    void finish();

private:
    FrameContext ctx_;
    OperationFrameKind kind_;
    bool finished_ = false;
};

// Runs body inside the frame and returns its result (False after any failure); ctx.outcome
// says how it ended. A body that returns false without ctx.fail() failed unreported.
bool runOperation(OperationContext& ctx, const OperationFrameKind& kind,
                  const std::function<bool(OperationFrame&)>& body);
bool runOperation(const FrameContext& ctx, const OperationFrameKind& kind,
                  const std::function<bool(OperationFrame&)>& body);
