#include "cli/cli_language.h"

#include "app/settings.h"

#include <algorithm>
#include <cctype>

std::optional<int> cliLanguageFromFlag(const std::string& value)
{
    std::string lower = value;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (lower == "japanese" || lower == "ja")
        return 0;
    if (lower == "english" || lower == "en")
        return 1;
    return std::nullopt;
}

int cliLanguageFromLocale()
{
    return userDefaultLangId() == 1041 ? 0 : 1;
}
