#pragma once
// plnctl's language. A command-line tool speaks its user's language, not the one the windows
// were last closed in: the locale decides (LC_ALL, LC_MESSAGES, LANG, the first that is set,
// "ja..." for Japanese), `--language japanese|english` overrides it, and Setting.ini is
// neither read nor written for it.

#include <optional>
#include <string>

// gLanguage for the flag's value: 0 Japanese, 1 English; nullopt for another word.
std::optional<int> cliLanguageFromFlag(const std::string& value);

// gLanguage from the locale.
int cliLanguageFromLocale();
