// Reply extraction as the command channel does it: arrivals joined until a reply is cut out or
// the reply limit is passed. Wherever the stream is split, the outcome is the one of the whole
// text received so far, never holds the terminator and never exceeds the limit.
//
// Input: byte 0 picks the terminator (CR, LF, CR+LF), byte 1 the piece size, the rest is the
// stream. The stream is repeated to pass the limit when byte 1 is odd.
#include "link/framing.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::string terminator = kTerminators[data[0] % 3];
    const std::size_t piece = 1 + data[1] * 37u;
    std::string stream(reinterpret_cast<const char*>(data + 2), size - 2);
    if ((data[1] & 1) && !stream.empty())
        while (stream.size() <= kReplyLimit + 8)
            stream += stream;
    std::string received;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        received += stream.substr(at, piece);
        const auto reply = cappedReply(received, terminator);
        if (!reply)
            continue;
        if (reply->size() > kReplyLimit || reply->find(terminator) != std::string::npos ||
            received.compare(0, reply->size(), *reply) != 0)
            std::abort();
        // The same text in one piece gives the same outcome.
        if (cappedReply(received, terminator) != reply || cappedReply(stream.substr(0, received.size()), terminator) != reply)
            std::abort();
        return 0;
    }
    if (received.size() > kReplyLimit + terminator.size())
        std::abort(); // more than the limit kept without an outcome
    return 0;
}
