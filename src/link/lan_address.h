#pragma once
// The address typed for the LAN link: "host", "host:port", "[v6]" or "[v6]:port".

#include <cstdint>
#include <optional>
#include <string>

inline constexpr uint16_t kTelnetPort = 23;

struct LanAddress {
    std::string host;
    uint16_t port = kTelnetPort;
};

// Leading and trailing blanks are ignored. A bare IPv6 address (more than one colon, no
// brackets) is taken whole with port 23. nullopt for an empty host or a bad port number.
std::optional<LanAddress> parseLanAddress(const std::string& text);

// "host:port" as the log and the messages name an address, with an IPv6 host in brackets.
std::string formatLanAddress(const std::string& host, uint16_t port);
inline std::string formatLanAddress(const LanAddress& address)
{
    return formatLanAddress(address.host, address.port);
}
