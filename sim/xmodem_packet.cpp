#include "xmodem_packet.h"

namespace xm {

uint16_t crc16(std::string_view data)
{
    uint16_t crc = 0;
    for (char c : data) {
        crc ^= uint16_t(uint8_t(c) << 8);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? uint16_t((crc << 1) ^ 0x1021) : uint16_t(crc << 1);
    }
    return crc;
}

uint8_t checksum(std::string_view data)
{
    unsigned sum = 0;
    for (char c : data)
        sum += uint8_t(c);
    return uint8_t(sum);
}

std::string packet(uint8_t blockNumber, std::string_view data, bool crc)
{
    std::string p;
    p.reserve(packetSize(crc));
    p += kSoh;
    p += char(blockNumber);
    p += char(255 - blockNumber);
    std::string block(data.substr(0, kBlock));
    block.resize(kBlock, kPad);
    p += block;
    if (crc) {
        uint16_t c = crc16(block);
        p += char(c >> 8);
        p += char(c & 0xFF);
    } else {
        p += char(checksum(block));
    }
    return p;
}

bool packetHeaderValid(std::string_view p)
{
    return p.size() >= 3 && p[0] == kSoh && uint8_t(p[1]) == uint8_t(255 - uint8_t(p[2]));
}

bool packetCheckValid(std::string_view p, bool crc)
{
    if (p.size() != packetSize(crc))
        return false;
    std::string_view block = p.substr(3, kBlock);
    if (crc) {
        uint16_t c = crc16(block);
        return uint8_t(p[131]) == (c >> 8) && uint8_t(p[132]) == (c & 0xFF);
    }
    return uint8_t(p[131]) == checksum(block);
}

} // namespace xm
