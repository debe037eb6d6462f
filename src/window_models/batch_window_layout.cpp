#include "window_models/batch_window_layout.h"

#include <algorithm>
#include <cmath>

namespace {

// Scroll bars are one standard bar thick; buttons one standard button high and wide.
constexpr int kScrollThickness = 255;
constexpr int kButtonWidth = 1215;
constexpr int kButtonHeight = 375;
constexpr int kButtonSpacing = 1320;

int roundHalfEven(double value)
{
    return int(std::nearbyint(value));
}

// Length of the UTF-8 sequence that starts with this byte (1 for a stray continuation byte).
std::size_t sequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

ScrollState verticalScroll(int fileBoxHeight, std::size_t entryCount)
{
    const double lines = double(fileBoxHeight) / kListLineTwips;
    const double lastIndex = double(entryCount) - 1;
    if (entryCount == 0 || !(lines < lastIndex))
        return {};
    return {true, roundHalfEven(lastIndex - lines)};
}

ScrollState horizontalScroll(int fileBoxWidth, const std::vector<std::string>& names)
{
    const double columns = double(fileBoxWidth) / kListCharTwips;
    ScrollState state;
    for (const std::string& name : names) {
        const int n = codePageLength(name);
        if (n > columns) {
            state.visible = true;
            state.maximum = std::max(state.maximum, roundHalfEven(n - columns));
        }
    }
    return state;
}

BatchWindowLayout batchWindowLayout(int height, int width, const std::vector<std::string>& names)
{
    BatchWindowLayout l;
    l.height = std::max(height, kMinWindowHeight);
    l.width = std::max(width, kMinWindowWidth);
    const int h = l.height, w = l.width;
    l.convFrame = {120, 120, w - 600, h - 1455};
    l.fileBox = {240, 360, w - 1335, h - 2310};
    l.tateScr = {w - 990, l.fileBox.top, kScrollThickness, l.fileBox.height};
    l.yokoScr = {l.fileBox.left, h - 1830, l.fileBox.width, kScrollThickness};
    const int buttonTop = h - 990;
    const int autoLeft = w / 2 - 660;
    l.cmdAuto = {autoLeft, buttonTop, kButtonWidth, kButtonHeight};
    l.cmdOK = {autoLeft - kButtonSpacing, buttonTop, kButtonWidth, kButtonHeight};
    l.cmdCancel = {autoLeft + kButtonSpacing, buttonTop, kButtonWidth, kButtonHeight};
    l.tate = verticalScroll(l.fileBox.height, names.size());
    l.yoko = horizontalScroll(l.fileBox.width, names);
    return l;
}

int codePageLength(const std::string& utf8Name)
{
    int bytes = 0;
    for (std::size_t i = 0; i < utf8Name.size();) {
        const auto lead = static_cast<unsigned char>(utf8Name[i]);
        const std::size_t n = std::min(sequenceLength(lead), utf8Name.size() - i);
        bool single = n == 1;
        if (n == 3) {
            // U+FF61..U+FF9F, the half-width katakana: EF BD A1..EF BD BF and EF BE 80..EF BE 9F.
            const auto b1 = static_cast<unsigned char>(utf8Name[i + 1]);
            const auto b2 = static_cast<unsigned char>(utf8Name[i + 2]);
            single = lead == 0xEF && ((b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F));
        }
        bytes += single ? 1 : 2;
        i += n;
    }
    return bytes;
}

std::vector<std::string> fileBoxLines(const std::vector<std::string>& names, int first, int cut)
{
    std::vector<std::string> lines;
    for (std::size_t i = std::size_t(std::max(first, 0)); i < names.size(); ++i) {
        const std::string& name = names[i];
        std::size_t at = 0;
        for (int k = 0; k < cut && at < name.size(); ++k)
            at += sequenceLength(static_cast<unsigned char>(name[at]));
        lines.push_back(name.substr(std::min(at, name.size())));
    }
    return lines;
}
