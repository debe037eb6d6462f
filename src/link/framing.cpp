#include "link/framing.h"

#include "app/text_codec.h"

std::string frameCommand(const std::string& command, const std::string& terminator)
{
    return trimChars(command, " ") + terminator;
}

std::optional<std::string> extractReply(const std::string& received, const std::string& terminator)
{
    if (terminator.empty() || received.find(terminator) == std::string::npos)
        return std::nullopt;
    size_t n = 0;
    if (terminator == kCR) {
        n = received.find('\r');
    } else {
        size_t lf = received.find('\n');
        n = terminator == kCRLF ? (lf == 0 ? 0 : lf - 1) : lf;
    }
    return received.substr(0, n);
}

std::optional<std::string> cappedReply(const std::string& received, const std::string& terminator)
{
    auto reply = extractReply(received, terminator);
    if (reply)
        return reply->size() > kReplyLimit ? std::string() : *reply;
    if (received.size() > kReplyLimit + terminator.size())
        return std::string();
    return std::nullopt;
}

std::optional<std::string> terminatorFromName(const std::string& name)
{
    if (name == "CR")
        return std::string(kCR);
    if (name == "LF")
        return std::string(kLF);
    if (name == "CRLF" || name == "CR+LF")
        return std::string(kCRLF);
    return std::nullopt;
}

bool looksLikeXmodemTraffic(const std::string& received, bool atEnd)
{
    constexpr char kSoh = 0x01, kNak = 0x15;
    if (received.empty())
        return false;
    if (received.front() == kSoh)
        return true;
    if (received.find_first_not_of(std::string("C") + kNak) != std::string::npos)
        return false;
    return atEnd || received.size() >= 2;
}
