#include "label_file.h"

#include "ini_file.h"
#include "text_codec.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

constexpr std::size_t kSectionBuffer = 8192;

std::vector<std::string> splitAt(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

std::string trimBlanks(const std::string& s)
{
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// A whole number written in the file; fractions round half to even (9.5 gives 10, 10.5 gives 10).
std::optional<int> wholeNumber(const std::string& text)
{
    std::string t = trimBlanks(text);
    if (t.empty() || t.find_first_of("xXpPnNiI") != std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || std::fabs(v) > 32767)
        return std::nullopt;
    return int(std::nearbyint(v));
}

} // namespace

std::vector<LabelEntry> readLabelEntries(const AppState& state, const std::string& windowName)
{
    std::vector<LabelEntry> entries;
    std::string buffer = ini::readSectionBuffer(state.labelFile(), windowName, kSectionBuffer);
    buffer = buffer.substr(0, buffer.find(std::string("\0\0", 2)));
    for (const std::string& line : splitAt(buffer, '\0')) {
        std::string t = trimBlanks(line);
        if (t.empty() || t[0] == ';')
            continue;
        // "=" and ";" never occur inside a CP932 character, so the line is cut on its bytes;
        // "@" can be the second byte of a Japanese character, so fields are cut after decoding.
        std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = decodeAnsi(line.substr(0, eq), state.gLanguage);
        std::string value = line.substr(eq + 1);
        value = decodeAnsi(value.substr(0, value.find('=')), state.gLanguage);

        auto keyParts = splitAt(key, '@');
        LabelEntry entry;
        entry.name = trimBlanks(keyParts[0]);
        if (entry.name.empty())
            continue;
        if (keyParts.size() > 1) {
            auto index = wholeNumber(keyParts[1]);
            if (!index)
                continue;
            entry.index = *index;
        }
        auto fields = splitAt(value, '@');
        if (fields.size() < 3)
            continue;
        auto size = wholeNumber(fields[2]);
        if (!size)
            continue;
        entry.caption = removeTabs(fields[0]);
        entry.fontName = removeTabs(fields[1]);
        entry.fontSize = *size;
        entries.push_back(std::move(entry));
    }
    return entries;
}
