#include "link/telnet_text.h"

void TelnetTextFilter::take(const std::string& arrived, std::string& text, std::string& answers)
{
    for (char c : arrived) {
        const uint8_t b = static_cast<uint8_t>(c);
        switch (state_) {
        case State::Data:
            if (b == kTelnetIac)
                state_ = State::Iac;
            else
                text += c;
            break;
        case State::Iac:
            if (b == kTelnetIac) {
                text += c;
                state_ = State::Data;
            } else if (b >= kTelnetWill) {
                verb_ = b;
                state_ = State::Option;
            } else if (b == kTelnetSb) {
                state_ = State::Sub;
            } else if (b >= kTelnetSe) {
                state_ = State::Data; // NOP, GA, AYT ...: nothing to keep
            } else {
                // No command: a lone 255 in front of an ordinary byte; the byte is text.
                text += c;
                state_ = State::Data;
            }
            break;
        case State::Option:
            // Nothing is ever agreed to, so a refusal never needs an answer and no loop starts.
            if (verb_ == kTelnetDo)
                answers += {char(kTelnetIac), char(kTelnetWont), c};
            else if (verb_ == kTelnetWill)
                answers += {char(kTelnetIac), char(kTelnetDont), c};
            state_ = State::Data;
            break;
        case State::Sub:
            if (b == kTelnetIac)
                state_ = State::SubIac;
            break;
        case State::SubIac:
            state_ = b == kTelnetSe ? State::Data : State::Sub;
            break;
        }
    }
}
