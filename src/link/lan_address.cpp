#include "link/lan_address.h"

#include "app/text_codec.h"

#include <algorithm>
#include <cctype>

namespace {

std::optional<uint16_t> parsePort(const std::string& digits)
{
    if (digits.empty() || digits.size() > 5
        || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    unsigned long n = std::stoul(digits);
    if (n == 0 || n > 65535)
        return std::nullopt;
    return uint16_t(n);
}

} // namespace

std::optional<LanAddress> parseLanAddress(const std::string& text)
{
    std::string t = trimChars(text, " \t");
    LanAddress a;
    if (!t.empty() && t.front() == '[') {
        size_t close = t.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        a.host = t.substr(1, close - 1);
        std::string rest = t.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            auto port = parsePort(rest.substr(1));
            if (!port)
                return std::nullopt;
            a.port = *port;
        }
    } else if (std::count(t.begin(), t.end(), ':') == 1) {
        size_t colon = t.find(':');
        a.host = t.substr(0, colon);
        auto port = parsePort(t.substr(colon + 1));
        if (!port)
            return std::nullopt;
        a.port = *port;
    } else {
        a.host = t;
    }
    if (a.host.empty())
        return std::nullopt;
    return a;
}

std::string formatLanAddress(const std::string& host, uint16_t port)
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}
