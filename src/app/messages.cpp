#include "app/messages.h"

#include "app/app_state.h"
#include "app/ini_read.h"
#include "app/text_codec.h"

std::string Messenger::fncGetMessage(const std::string& section, long number)
{
    std::string raw;
    // A value too long for the lookup buffer is treated as unreadable here: reporting it
    // would need the message file itself.
    if (fncReadIni(state_.messageFile(), section, std::to_string(number), raw) != IniRead::Ok)
        return {};
    return expandLineBreaksAndTabs(decodeAnsi(raw, state_.gLanguage));
}

namespace {

// Every "%1" of text replaced by subject.
std::string withSubject(std::string text, const std::string& subject)
{
    for (std::size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", at + subject.size()))
        text.replace(at, 2, subject);
    return text;
}

} // namespace

std::string Messenger::fncGetMessageAbout(const std::string& section, long number, const std::string& subject,
                                          const std::string& fallback)
{
    std::string text = fncGetMessage(section, number);
    return withSubject(text.empty() ? fallback : text, subject);
}

int Messenger::fncShowMessage(const std::string& section, long number)
{
    return showBox(section, number, fncGetMessage(section, number), {});
}

int Messenger::fncShowMessageAbout(const std::string& section, long number, const std::string& subject)
{
    return showBox(section, number, withSubject(fncGetMessage(section, number), subject), {});
}

int Messenger::fncShowMessageWithDetail(const std::string& section, long number, const std::string& detail)
{
    return showBox(section, number, fncGetMessage(section, number), detail);
}

int Messenger::showBox(const std::string& section, long number, const std::string& text, const std::string& detail)
{
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
