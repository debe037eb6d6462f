#include "telnet_codec.h"

std::string telnetEscape(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        out += c;
        if (c == char(0xFF))
            out += char(0xFF);
        else if (c == '\r')
            out += '\0';
    }
    return out;
}

std::string TelnetUnescaper::feed(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        if (afterCR_) {
            afterCR_ = false;
            if (c == '\0')
                continue;
        }
        if (afterFF_) {
            afterFF_ = false;
            if (c == char(0xFF))
                continue;
        }
        out += c;
        afterCR_ = c == '\r';
        afterFF_ = c == char(0xFF);
    }
    return out;
}
