#include "messages.h"

#include "ini_read.h"
#include "text_codec.h"

#include <cmath>
#include <cstdlib>

namespace {

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

std::string trimSpaces(const std::string& s)
{
    std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The button style as a whole number; fractions round half to even like every conversion here.
bool parseStyle(const std::string& text, int& style)
{
    std::string t = trimSpaces(text);
    if (t.empty())
        return false;
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v) || v < -32768.5 || v > 32767.5)
        return false;
    style = int(std::nearbyint(v));
    return true;
}

} // namespace

std::string Messenger::fncGetMessage(const std::string& section, long number)
{
    std::string raw;
    // A value too long for the lookup buffer is treated as unreadable here: reporting it
    // would need the message file itself.
    if (fncReadIni(state_.messageFile(), section, std::to_string(number), raw) != IniRead::Ok)
        return {};
    return expandLineBreaksAndTabs(decodeAnsi(raw, state_.gLanguage));
}

int Messenger::fncShowMessage(const std::string& section, long number)
{
    std::string text = fncGetMessage(section, number);
    state_.gMsgParts = splitAt(text, '@');
    int style = 0;
    if (state_.gMsgParts.size() < 2 || !parseStyle(state_.gMsgParts[1], style))
        return 0;
    BoxRequest box;
    box.text = trimSpaces(state_.gMsgParts[0]);
    box.style = style;
    box.title = kAppTitle;
    box.section = section;
    box.number = number;
    int answer = prompter_.show(box);
    state_.gMsgAnswer = int16_t(answer);
    return answer;
}

bool Messenger::fncIniErrorMessage(const std::string& failureDescription)
{
    if (fncShowMessage("Message", 99) != 0)
        return true;
    BoxRequest box;
    box.text = failureDescription;
    box.style = kStyleOK;
    box.title = kAppTitle;
    prompter_.show(box);
    return false;
}

void Messenger::showErrorBox(const std::string& description)
{
    BoxRequest box;
    box.text = description;
    box.style = kStyleOK + kStyleCritical;
    box.title = kAppTitle;
    prompter_.show(box);
}
