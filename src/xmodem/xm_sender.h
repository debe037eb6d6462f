#pragma once
// Sending one file to the controller; the controller's start request chooses CRC-16 or
// checksum packets.

#include "xmodem/transfer_view.h"
#include "xmodem/xm_transport.h"

#include <cstdint>
#include <span>

// Returns the transfer status (kXmComplete ...) or the failure number of a serial write.
// ProgressBar1 of the view moves by 128 per new packet, up to the maximum the caller set.
int fncXmSend(XmTransport& link, std::span<const uint8_t> file, TransferView* view);
