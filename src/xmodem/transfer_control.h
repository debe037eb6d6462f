#pragma once
// Moving one file between the PC and the controller after a command has announced it: the
// link is prepared for binary transfer (the serial port reopened in binary mode, the TCP
// socket as it is), the XMODEM receiver or sender runs, the closing reply is taken on TCP,
// the failures that have a message are reported, and the link goes back to command mode.

#include "app/op_result.h"
#include "link/device_link.h"
#include "xmodem/transfer_view.h"
#include "xmodem/xm_protocol.h"  // the transfer status values kXmComplete ... kXmCancelled

#include <filesystem>
#include <functional>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

// The bytes a received file of n bytes arrives as: the sender pads the last block.
inline constexpr int64_t xmReceivedBytes(int64_t n)
{
    return (n + kXmBlockSize - 1) / kXmBlockSize * kXmBlockSize;
}

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
    // Sends bytes already read (and checked) by the caller, as fncSendFile sends a file's:
    // what was checked is what goes out. `name` is the file they came from, for messages.
    bool fncSendBytes(std::span<const uint8_t> bytes, const std::string& name);

    // The size the next received file is expected to have, for the progress shown (0: not
    // known). What arrives is kept whatever its size. A send expects the size of its file.
    void expectBytes(int64_t total);
    // And, once the first headerBytes bytes are in, the size they imply (sizeOf returns 0 for
    // a header that tells nothing, and the expectation stays).
    void expectBytesFromHeader(std::size_t headerBytes, std::function<int64_t(const uint8_t*)> sizeOf);

    // Status of the last transfer (kXmComplete, kXmStopped, ...; kXmNoStatus after a LinkError).
    int lastStatus() const;
    // How the last transfer ended for its caller: ok, failed and told (Messages 22 and 23, an
    // error box), or failed and not yet told (stopped, cancelled by the controller).
    OpResult lastResult() const;

    // Serial link only: close the command port and open it in binary mode / give it back in
    // text mode with the same settings (or leave it closed when there is no link).
    void fncXmOpenPort();
    void fncXmClosePort();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
