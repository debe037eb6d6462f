#pragma once
// Telnet commands in the replies that come over the LAN link. A telnet server may open the
// connection with option negotiation (IAC DO ECHO, IAC WILL SUPPRESS-GO-AHEAD ...): the text
// path refuses every option and removes the commands, so they never become part of a reply.
// IAC IAC stands for one data byte 255. The XMODEM byte and block path has its own escaping.

#include <cstdint>
#include <string>

inline constexpr uint8_t kTelnetIac = 255;
inline constexpr uint8_t kTelnetDont = 254;
inline constexpr uint8_t kTelnetDo = 253;
inline constexpr uint8_t kTelnetWont = 252;
inline constexpr uint8_t kTelnetWill = 251;
inline constexpr uint8_t kTelnetSb = 250;
inline constexpr uint8_t kTelnetSe = 240;

class TelnetTextFilter {
public:
    // Appends the data bytes of what arrived to text, and to answers what the peer must be
    // sent: IAC WONT x for each DO x, IAC DONT x for each WILL x. A command cut between two
    // arrivals is completed by the next one.
    void take(const std::string& arrived, std::string& text, std::string& answers);
    // Forgets a half-received command (a new connection).
    void reset() { state_ = State::Data; }

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    State state_ = State::Data;
    uint8_t verb_ = 0;
};
