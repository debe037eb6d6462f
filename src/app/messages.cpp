#include "messages.h"

#include "ini_read.h"
#include "text_codec.h"

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
    return fncShowMessage(section, number, std::string());
}

int Messenger::fncShowMessage(const std::string& section, long number, const std::string& detail)
{
    std::string text = fncGetMessage(section, number);
    state_.gMsgParts = splitAt(text, '@');
    auto style = state_.gMsgParts.size() < 2 ? std::nullopt : wholeNumber(state_.gMsgParts[1]);
    if (!style)
        return 0;
    BoxRequest box;
    box.text = trimChars(state_.gMsgParts[0], " ");
    if (!detail.empty())
        box.text += "\r\n\r\n" + detail;
    box.style = *style;
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
