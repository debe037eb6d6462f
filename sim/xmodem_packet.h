#pragma once
// The controller's own XMODEM framing: 128-byte blocks, CRC-16 (high byte first) or a one-byte
// checksum. Kept apart from the tool's transfer code so the two sides check each other.

#include <cstdint>
#include <string>
#include <string_view>

namespace xm {

inline constexpr char kSoh = 0x01;
inline constexpr char kEot = 0x04;
inline constexpr char kAck = 0x06;
inline constexpr char kNak = 0x15;
inline constexpr char kCan = 0x18;
inline constexpr char kCrcRequest = 'C';
inline constexpr std::size_t kBlock = 128;
// The last block of a file is filled up with this byte (the same filler the tool's sender uses).
inline constexpr char kPad = char(0xFF);

uint16_t crc16(std::string_view data);
uint8_t checksum(std::string_view data);

// SOH, block number, its complement, 128 data bytes (data shorter than 128 is padded), then
// the CRC (133 bytes) or the checksum (132 bytes).
std::string packet(uint8_t blockNumber, std::string_view data, bool crc);

// Size of a whole packet in the given mode.
inline std::size_t packetSize(bool crc) { return crc ? 133 : 132; }

// True when a whole packet (packetSize bytes, SOH first) carries a correct check value and a
// matching complement byte.
bool packetHeaderValid(std::string_view p);
bool packetCheckValid(std::string_view p, bool crc);

} // namespace xm
