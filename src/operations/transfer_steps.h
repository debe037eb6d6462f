#pragma once
// The transfer step of an operation (after its command was answered READY): fncReceiveFile or
// fncSendFile on the operation's link and window. When the socket time-out 40006 ends a TCP
// transfer half-way, the controller would keep waiting for the rest and leave the link unusable
// for the next command; the step first sends the stop sequence, so the controller gives up the
// transfer, and then lets the failure travel on to the frame (Message 22). A receive that
// failed on TCP reads away the controller's closing line, so the next command gets its own reply.

#include "operation_frame.h"

#include <filesystem>

bool receiveFileStep(OperationContext& ctx, const std::filesystem::path& path);
bool sendFileStep(OperationContext& ctx, const std::filesystem::path& path);
