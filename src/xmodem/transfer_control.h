#pragma once
// Moving one file between the PC and the controller after a command has announced it: the
// link is prepared for binary transfer (the serial port reopened in binary mode, the TCP
// socket as it is), the XMODEM receiver or sender runs, the closing reply is taken on TCP,
// the failures that have a message are reported, and the link goes back to command mode.

#include "link/device_link.h"
#include "transfer_view.h"

#include <filesystem>

// Transfer status of the receiver and the sender.
inline constexpr int kXmComplete = 0;
inline constexpr int kXmStopped = 4096;    // gStopRequest was set
inline constexpr int kXmFailed = 4097;     // retries exhausted, out of sequence, closing "ER"
inline constexpr int kXmTimeout = 4098;
inline constexpr int kXmCancelled = 4099;  // the controller sent two CAN bytes

// Failure raised (as LinkError) when the file to send is empty, before the link is touched.
inline constexpr long kErrEmptyFile = 380;

class TransferControl {
public:
    TransferControl(DeviceLink& link, TransferView& view);
    ~TransferControl();

    // Receives one file into path. The bytes go to a temporary file in the same folder, which
    // replaces path only when the transfer and the closing reply succeeded; otherwise path is
    // left exactly as it was and no temporary file remains. True on success.
    // A LinkError (the socket time-out 40006) passes through to the caller's trap.
    bool fncReceiveFile(const std::filesystem::path& path);

    // Sends the existing file path. Throws LinkError kErrEmptyFile for an empty file before
    // anything is sent. True on success.
    bool fncSendFile(const std::filesystem::path& path);

    // Status of the last transfer (kXmComplete, kXmStopped, ...).
    int lastStatus() const;

private:
    struct Impl;
    Impl* impl_;
};
