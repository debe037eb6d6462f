#include "app/label_file.h"

#include "app/app_state.h"
#include "app/ini_file.h"
#include "app/text_codec.h"


namespace {

constexpr std::size_t kSectionBuffer = 8192;

} // namespace

std::vector<LabelEntry> readLabelEntries(const AppState& state, const std::string& windowName)
{
    std::vector<LabelEntry> entries;
    std::string buffer = ini::readSectionBuffer(state.labelFile(), windowName, kSectionBuffer);
    buffer = buffer.substr(0, buffer.find(std::string("\0\0", 2)));
    for (const std::string& line : splitAt(buffer, '\0')) {
        std::string t = trimChars(line, " \t");
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
        entry.name = trimChars(keyParts[0], " \t");
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
        // A size beyond what a caption can use (32767 points builds a window of gigabytes)
        // is ignored: the control keeps its size, the caption and font name still apply.
        entry.fontSize = *size >= kMinLabelFontSize && *size <= kMaxLabelFontSize ? *size : 0;
        entries.push_back(std::move(entry));
    }
    return entries;
}
