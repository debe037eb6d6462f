#include "app/com_settings.h"

#include "app/text_codec.h"

#include <charconv>

namespace {

std::optional<long> wholeField(const std::string& text)
{
    long v = 0;
    const char* end = text.data() + text.size();
    auto [at, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || at != end)
        return std::nullopt;
    return v;
}

} // namespace

ComSettingsCheck checkComSettings(const std::string& settings)
{
    ComSettingsCheck c;
    auto fail = [&c](ComSettingsField field, std::string problem) {
        c.badField = field;
        c.problem = std::move(problem);
        return c;
    };
    auto fields = splitAt(settings, ',');
    if (fields.size() != 4)
        return fail(ComSettingsField::Form, "the serial settings \"" + settings +
                                                "\" are not four fields speed,parity,data bits,stop bits");
    for (auto& f : fields)
        f = trimChars(f, " \t");
    auto baud = wholeField(fields[0]);
    if (!baud || *baud < 1 || *baud > 10000000)
        return fail(ComSettingsField::Speed, "the speed \"" + fields[0] + "\" is not a positive whole number");
    c.baud = int(*baud);
    const std::string& parity = fields[1];
    const char p = parity.size() == 1 ? char(parity[0] & ~0x20) : '?';
    if (parity.size() != 1 || std::string("NEOMS").find(p) == std::string::npos)
        return fail(ComSettingsField::Parity, "the parity \"" + parity + "\" is not N, E, O, M or S");
    c.parity = p;
    auto dataBits = wholeField(fields[2]);
    if (!dataBits || *dataBits < 5 || *dataBits > 8)
        return fail(ComSettingsField::DataBits, "the data bits \"" + fields[2] + "\" are not 5, 6, 7 or 8");
    c.dataBits = int(*dataBits);
    const std::string& stop = fields[3];
    if (stop == "1" || stop == "2")
        c.stopBits = stop == "1" ? 1 : 2;
    else if (stop == "1.5")
        c.stopBits = 1.5;
    else
        return fail(ComSettingsField::StopBits, "the stop bits \"" + stop + "\" are not 1, 1.5 or 2");
    return c;
}

long comSettingsMessage(ComSettingsField field)
{
    switch (field) {
    case ComSettingsField::Speed:
        return 282;
    case ComSettingsField::Parity:
        return 283;
    case ComSettingsField::DataBits:
        return 284;
    case ComSettingsField::StopBits:
        return 285;
    case ComSettingsField::Form:
        return 286;
    case ComSettingsField::None:
        break;
    }
    return 0;
}
