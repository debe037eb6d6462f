#include "app/settings.h"

#include "app/app_state.h"
#include "app/com_settings.h"
#include "app/ini_file.h"
#include "app/ini_read.h"
#include "app/text_codec.h"

#include <cstdlib>
#include <optional>

namespace {

// Reads one key; a value too long for the lookup buffer is reported with Message 99 and
// read as empty. Returns false when the report could not be shown (the program ends).
bool readSetting(AppState& state, Messenger& messages, const char* section, const char* key, std::string& value)
{
    if (fncReadIni(state.settingsFile(), section, key, value) == IniRead::TooLong)
        return messages.fncIniErrorMessage(std::string("The value of ") + key + " in Setting.ini is too long.");
    return true;
}

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

} // namespace

int userDefaultLangId()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v)
            return std::string(v).rfind("ja", 0) == 0 ? 1041 : 1033;
    }
    return 1033;
}

bool fncLoadLanguage(AppState& state, Messenger& messages)
{
    std::string v;
    if (!readSetting(state, messages, "OPERATION", "Language", v))
        return false;
    if (v.empty()) {
        v = "Japanese";
        ini::writeKey(state.settingsFile(), "OPERATION", "Language", v);
    }
    if (upper(v) == "JAPANESE")
        state.gLanguage = 0;
    else if (upper(v) == "ENGLISH")
        state.gLanguage = 1;
    else
        state.gLanguage = userDefaultLangId() == 1041 ? 0 : 1;
    return true;
}

bool fncLoadComSettings(AppState& state, Messenger& messages)
{
    const auto file = state.settingsFile();
    std::string v;
    if (!readSetting(state, messages, "COM", "Port", v))
        return false;
    if (v.empty()) {
        v = "1";
        ini::writeKey(file, "COM", "Port", v);
    }
    auto port = wholeNumber(v);
    if (!port)
        return messages.fncIniErrorMessage("The serial port number in Setting.ini is not a whole number: " + v);
    state.gComPort = *port;

    if (!readSetting(state, messages, "COM", "Setting", v))
        return false;
    if (v.empty()) {
        v = "38400,N,8,1";
        ini::writeKey(file, "COM", "Setting", v);
    }
    // Refused here, naming the field, rather than when the port opens with a vague reason;
    // like a bad Port, the rest is not loaded and the serial port stays closed.
    if (ComSettingsCheck check = checkComSettings(v); !check.ok()) {
        if (messages.fncShowMessage("Message", comSettingsMessage(check.badField)) != 0)
            return true;
        return messages.fncIniErrorMessage("Setting.ini: " + check.problem);
    }
    state.gComSettings = v;

    if (!readSetting(state, messages, "COM", "Delimitr", v))
        return false;
    if (v.empty()) {
        v = "0";
        ini::writeKey(file, "COM", "Delimitr", v);
    }
    state.gComDelimiter = v == "0" ? "\r" : v == "1" ? "\n" : "\r\n";
    return true;
}

bool fncLoadSettings(AppState& state, Messenger& messages)
{
    // Its bytes cannot be read as lines: the defaults are used and the file is left alone.
    if (ini::isUtf16File(state.settingsFile()))
        messages.fncShowMessage("Message", kMsgSettingsUtf16);
    return fncLoadLanguage(state, messages) && fncLoadComSettings(state, messages);
}

bool fncSaveComSettings(AppState& state, Messenger&)
{
    const auto file = state.settingsFile();
    const std::string delimiter = state.gComDelimiter == "\r" ? "0" : state.gComDelimiter == "\n" ? "1" : "2";
    ini::writeKey(file, "COM", "Port", std::to_string(state.gComPort));
    ini::writeKey(file, "COM", "Setting", state.gComSettings);
    ini::writeKey(file, "COM", "Delimitr", delimiter);
    return true;
}

bool fncSaveLanguage(AppState& state, Messenger&)
{
    writeLanguage(state, state.gLanguage);
    return true;
}

void writeLanguage(const AppState& state, int32_t language)
{
    ini::writeKey(state.settingsFile(), "OPERATION", "Language", language != 0 ? "English" : "Japanese");
}
