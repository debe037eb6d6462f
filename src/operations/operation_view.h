#pragma once
// What the operation window offers a device operation: the step caption (lblWait), the byte
// counter (lblRead), the progress bar (ProgressBar1), showing and unloading the window, and
// disabling the main window while the operation runs. The stop request is gStopRequest in
// AppState: the window's Stop button sets it, the transfers read it.
//
// The GUI implements it with frmWait (src/ui/windows/frm_wait.h), plnctl with lines on stderr, the
// tests with a recording fake. An operation never talks to a view directly for the frame's
// steps: it runs inside runOperation (operation_frame.h), which owns the frame.

#include "xmodem/transfer_view.h"

#include <string>

class OperationView : public TransferView {
public:
    // lblWait shows step caption `labelNumber` (6 preparing, 7 sending the command, 8 sending
    // data, 9 receiving data), whose text `text` comes from section "Label" of the messages.
    virtual void setStep(long labelNumber, const std::string& text) = 0;
    virtual void setReadVisible(bool visible) = 0;      // lblRead
    virtual void setProgressVisible(bool visible) = 0;  // ProgressBar1
    virtual void showWindow() = 0;                      // shown without modality
    virtual void unloadWindow() = 0;                    // hidden; the next operation starts afresh
    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual void repaint() = 0;
};
