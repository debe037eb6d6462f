#pragma once
// Framing of a command line and cutting the reply out of the received text.

#include <cstddef>
#include <optional>
#include <string>

inline constexpr const char* kCR = "\r";
inline constexpr const char* kLF = "\n";
inline constexpr const char* kCRLF = "\r\n";
// In the order the settings lists show them and Setting.ini's "Delimitr" numbers them.
inline constexpr const char* kTerminators[] = {kCR, kLF, kCRLF};

// The command with blanks at both ends removed, followed by the terminator.
std::string frameCommand(const std::string& command, const std::string& terminator);

// The reply once the text holds the whole terminator, else nullopt. The reply is the text
// before the first CR (terminator CR), before the first LF (LF), or before the character
// preceding the first LF (CR+LF); whatever follows is dropped.
std::optional<std::string> extractReply(const std::string& received, const std::string& terminator);

// The longest reply the channel takes: a peer that sends more without a terminator (or a
// longer line) has given no valid reply, and the wait ends instead of the buffer growing.
inline constexpr std::size_t kReplyLimit = 64 * 1024;

// What the received text amounts to: nullopt while the reply is still coming, the reply once
// the terminator arrived, "" for an oversize reply (kReplyLimit).
std::optional<std::string> cappedReply(const std::string& received, const std::string& terminator);

// "CR", "LF", "CRLF"/"CR+LF" to the terminator; nullopt for anything else.
std::optional<std::string> terminatorFromName(const std::string& name);

// True when what arrived instead of a reply is XMODEM traffic: a controller still inside a
// transfer (its client was killed half-way) asks for the start with "C" or NAK, or sends a
// block that begins with SOH. No reply begins with SOH; a single "C" or NAK counts only once
// the wait is over (atEnd), a second one at once.
bool looksLikeXmodemTraffic(const std::string& received, bool atEnd);
