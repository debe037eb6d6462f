#pragma once
// The bytes and numbers of the XMODEM exchange with the controller: 128-byte blocks with a
// CRC-16 (133-byte packets) or a one-byte checksum (132-byte packets).

#include <cstddef>
#include <cstdint>

#include "link/error_numbers.h"  // the transfer status values kXmComplete ... kXmCancelled

inline constexpr uint8_t kSOH = 0x01;
inline constexpr uint8_t kEOT = 0x04;
inline constexpr uint8_t kACK = 0x06;
inline constexpr uint8_t kNAK = 0x15;
inline constexpr uint8_t kCAN = 0x18;
inline constexpr uint8_t kCrcRequest = 'C';

inline constexpr int kXmBlockSize = 128;
inline constexpr int kXmCrcPacketSize = 133;
inline constexpr int kXmSumPacketSize = 132;

// CRC-16 with polynomial 0x1021 and start value 0 over count bytes from data[first].
int fncXmCrc16(long count, const uint8_t* data, long first = 0);

// The one-byte checksum: the sum of the bytes modulo 256.
uint8_t xmChecksum(const uint8_t* data, std::size_t count);
