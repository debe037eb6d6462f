#include "xmodem/xm_protocol.h"

#include <array>

namespace {

// One table lookup per byte instead of eight shifts: the same CRC, a block costs less than
// a microsecond.
constexpr std::array<uint16_t, 256> makeCrcTable()
{
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
        table[i] = uint16_t(crc);
    }
    return table;
}

constexpr std::array<uint16_t, 256> kCrcTable = makeCrcTable();

} // namespace

int fncXmCrc16(long count, const uint8_t* data, long first)
{
    unsigned crc = 0;
    for (long i = 0; i < count; ++i)
        crc = ((crc << 8) ^ kCrcTable[((crc >> 8) ^ data[first + i]) & 0xFF]) & 0xFFFF;
    return int(crc);
}

uint8_t xmChecksum(const uint8_t* data, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += data[i];
    return uint8_t(sum & 0xFF);
}
