#pragma once
// Receiving one file from the controller: CRC-16 packets first, the checksum variant when the
// sender does not start.

#include "xmodem/transfer_view.h"
#include "xmodem/xm_transport.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Where accepted blocks go, in order.
class XmBlockSink {
public:
    virtual ~XmBlockSink() = default;
    // False when the block could not be stored (the reason is the sink's to keep).
    virtual bool write(const uint8_t* data, std::size_t size) = 0;
};

struct XmReceiveContext {
    XmTransport& link;
    XmBlockSink& sink;
    TransferView* view = nullptr;  // lblRead in CRC mode, and the count for transferred()
    std::string readPrefix;        // label texts 4 and 5 around the byte count
    std::string readSuffix;
    // Set when the receive failed because blocks kept arriving damaged (their check did not
    // match), so the message can say so instead of "no valid reply".
    bool damagedBlocks = false;
};

// Returns the transfer status (kXmComplete ...), or the failure number of a serial write or
// kXmErrFileWrite after a block could not be stored.
int fncXmReceive(XmReceiveContext& context);
// The checksum variant on its own: what fncXmReceive falls back to.
int fncXmReceiveSum(XmReceiveContext& context);
