#include "serial_port.h"

#include <cctype>
#include <cstdlib>

namespace {

bool toInt(const std::string& text, int* out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < 0 || v > 10000000)
        return false;
    *out = int(v);
    return true;
}

} // namespace

std::optional<std::array<std::string, 4>> splitComSettings(const std::string& settings)
{
    std::array<std::string, 4> fields;
    size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        size_t comma = settings.find(',', from);
        if (comma == std::string::npos)
            return std::nullopt;
        fields[size_t(i)] = settings.substr(from, comma - from);
        from = comma + 1;
    }
    fields[3] = settings.substr(from);
    return fields;
}

std::optional<SerialConfig> parseComSettings(const std::string& settings)
{
    auto fields = splitComSettings(settings);
    if (!fields)
        return std::nullopt;
    const std::string& parity = (*fields)[1];
    SerialConfig c;
    if (!toInt((*fields)[0], &c.baud) || !toInt((*fields)[2], &c.dataBits) || !toInt((*fields)[3], &c.stopBits))
        return std::nullopt;
    if (parity.size() != 1)
        return std::nullopt;
    c.parity = char(std::toupper(static_cast<unsigned char>(parity[0])));
    if (c.parity != 'N' && c.parity != 'O' && c.parity != 'E')
        return std::nullopt;
    return c;
}
