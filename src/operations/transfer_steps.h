#pragma once
// The transfer step of an operation (after its command was answered READY): fncReceiveFile or
// fncSendFile on the operation's link and window. A socket time-out 40006 travels on to the
// frame (Message 22) after the transfer control has stopped the controller's side of the
// transfer and read away its closing line, so the next command gets its own reply.

#include "operations/operation_frame.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// expectedBytes: the size the file is expected to have, for the progress shown (0: not known).
bool receiveFileStep(OperationContext& ctx, const std::filesystem::path& path, int64_t expectedBytes = 0);
bool sendFileStep(OperationContext& ctx, const std::filesystem::path& path);
bool sendBytesStep(OperationContext& ctx, std::span<const uint8_t> bytes, const std::string& name);
// A failed step has recorded in ctx.outcome whether the user has heard of it.
