#include "kestra.h"

#include <array>
#include <cstdint>

namespace {

constexpr std::uint32_t kPolynomial = 0x1021;
constexpr std::uint32_t kInitial = 0xFFFF;

// Entry i: the byte i shifted through the polynomial eight times from the high byte of an
// empty register, most significant bit first.
constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t reg = i << 8;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 0x8000) ? ((reg << 1) & 0xFFFF) ^ kPolynomial : (reg << 1) & 0xFFFF;
        table[i] = static_cast<std::uint16_t>(reg);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();
static_assert(kTable[1] == 0x1021 && kTable[255] == 0x1EF0);

// Plain namespace-scope variables: constant-initialised when the library is mapped, so a read
// before any initialise already sees 0xFFFF, and nothing keeps the library from unloading.
std::uint32_t channel1 = kInitial;
std::uint32_t channel16 = kInitial;

bool isByte(std::int32_t value) { return value >= 0 && value <= 255; }

} // namespace

extern "C" {

void KESTRA_CALL IniCrc1(void) { channel1 = kInitial; }

int32_t KESTRA_CALL Crc1(int32_t value)
{
    if (!isByte(value))
        return 0;
    // Bits above bit 15 collect leftovers of the shift; every read masks them away.
    std::uint32_t index = ((channel1 >> 8) & 0xFF) ^ static_cast<std::uint32_t>(value);
    channel1 = (channel1 << 8) ^ kTable[index];
    return -1;
}

int32_t KESTRA_CALL GetCrc1(void) { return static_cast<int32_t>(~channel1 & 0xFFFF); }

void KESTRA_CALL IniCrc16(void) { channel16 = kInitial; }

int32_t KESTRA_CALL Crc16(int32_t value)
{
    if (!isByte(value))
        return 0;
    std::uint32_t reg = channel16 ^ (static_cast<std::uint32_t>(value) << 8);
    for (int bit = 0; bit < 8; ++bit)
        reg = (reg & 0x8000) ? ((reg << 1) & 0xFFFF) ^ kPolynomial : (reg << 1) & 0xFFFF;
    channel16 = reg;
    return -1;
}

int32_t KESTRA_CALL GetCrc16(void) { return static_cast<int32_t>(~channel16 & 0xFFFF); }

} // extern "C"
