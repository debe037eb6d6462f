#include "cli/reply_output.h"

#include <unistd.h>

namespace {

// The length of the valid UTF-8 sequence at text[i] that is no control character, or 0.
std::size_t printableSequence(const std::string& text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (b < 0x80 || n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    uint32_t cp = n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
    for (std::size_t k = 1; k < n; ++k)
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    if (overlong || (cp >= 0x80 && cp <= 0x9F) || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return 0;
    return n;
}

} // namespace

std::string escapeForTerminal(const std::string& reply)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < reply.size();) {
        const unsigned char b = static_cast<unsigned char>(reply[i]);
        if (b == '\\') {
            out += "\\\\";
            ++i;
        } else if (b >= 0x20 && b < 0x7F) {
            out += char(b);
            ++i;
        } else if (std::size_t n = printableSequence(reply, i)) {
            out.append(reply, i, n);
            i += n;
        } else {
            out += {'\\', 'x', hex[b >> 4], hex[b & 15]};
            ++i;
        }
    }
    return out;
}

bool printReplyLine(std::FILE* out, const std::string& text)
{
    const std::string shown = ::isatty(::fileno(out)) ? escapeForTerminal(text) : text;
    return std::fwrite(shown.data(), 1, shown.size(), out) == shown.size() && std::fputc('\n', out) != EOF &&
           std::fflush(out) == 0;
}
