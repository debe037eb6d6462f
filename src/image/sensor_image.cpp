#include "image/sensor_image.h"

#include <algorithm>

namespace {

void putInt16(uint8_t* p, int16_t v)
{
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xFF);
    p[1] = static_cast<uint8_t>(u >> 8);
}

int16_t getInt16(const uint8_t* p)
{
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

} // namespace

std::array<uint8_t, PlnHeader::kSize> PlnHeader::toBytes() const
{
    std::array<uint8_t, kSize> b{};
    std::copy(prefix.begin(), prefix.end(), b.begin());
    b[7] = colourFlag;
    putInt16(&b[8], width);
    putInt16(&b[10], height);
    putInt16(&b[12], aux1);
    putInt16(&b[14], aux2);
    std::copy(auxBytes.begin(), auxBytes.end(), b.begin() + 16);
    std::copy(reserved.begin(), reserved.end(), b.begin() + 18);
    return b;
}

PlnHeader PlnHeader::fromBytes(const uint8_t* b)
{
    PlnHeader h;
    std::copy(b, b + 7, h.prefix.begin());
    h.colourFlag = b[7];
    h.width = getInt16(b + 8);
    h.height = getInt16(b + 10);
    h.aux1 = getInt16(b + 12);
    h.aux2 = getInt16(b + 14);
    std::copy(b + 16, b + 18, h.auxBytes.begin());
    std::copy(b + 18, b + 40, h.reserved.begin());
    return h;
}

void PixelArray::assignZero(int32_t w, int32_t h)
{
    width = w;
    height = h;
    data.assign(std::size_t(w) * std::size_t(h), 0);
}

void PixelArray::resizeForOverwrite(int32_t w, int32_t h)
{
    width = w;
    height = h;
    data.resize(std::size_t(w) * std::size_t(h));
}

void PixelArray::clear()
{
    width = height = 0;
    data.clear();
    data.shrink_to_fit();
}

void BmpPixelBuffer::assignZero(int32_t w, int32_t h)
{
    width = w;
    height = h;
    bytes.assign(std::size_t(w) * 3 * std::size_t(h), 0);
}

void BmpPixelBuffer::resizeForOverwrite(int32_t w, int32_t h)
{
    width = w;
    height = h;
    bytes.resize(std::size_t(w) * 3 * std::size_t(h));
}
