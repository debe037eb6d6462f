#pragma once
// The link part of the program-wide state: which link is up and how each is set. The link
// headers include this and name AppState only by declaration, so the image headers stay out
// of them.

#include <cstdint>
#include <string>

// The values of gLinkMode, which stays a plain int16_t: code compares and sets it by these names.
enum LinkMode : int16_t { kLinkNone = 0, kLinkSerial = 1, kLinkLan = 2 };

struct LinkSettings {
    int16_t gLinkMode = kLinkNone;  // 0 none, 1 serial port open, 2 LAN (TCP): a LinkMode
    int16_t gComPort = 0;           // serial port number 1..16
    std::string gComSettings;       // "38400,N,8,1"
    std::string gComDelimiter;      // "\r", "\n" or "\r\n"
    std::string gLanDelimiter;      // terminator on the LAN link
    int16_t gLanDelimiterIndex = 0; // 0 CR, 1 LF, 2 CR+LF
    std::string gLanAddress;        // address of the LAN link made from frmLanSet
    int32_t gSockTimeout = 0;       // time base of the socket receive helpers, 0 = 1000 ms
};
