#include "link/serial_port.h"

#include "app/com_settings.h"


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

std::optional<SerialConfig> parseComSettings(const std::string& settings, std::string* problem)
{
    ComSettingsCheck check = checkComSettings(settings);
    if (!check.ok()) {
        if (problem)
            *problem = check.problem;
        return std::nullopt;
    }
    SerialConfig c;
    c.baud = check.baud;
    c.parity = check.parity;
    c.dataBits = check.dataBits;
    c.stopBits = check.stopBits;
    return c;
}
