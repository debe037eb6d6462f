#pragma once
// Setting.ini: the serial port, its line settings, the serial terminator and the language.

#include "app/messages.h"

struct AppState;

// Reads OPERATION/Language (writing "Japanese" when missing or empty) into gLanguage.
// Returns false when the settings error was reported and the program must end.
bool fncLoadLanguage(AppState& state, Messenger& messages);
// Reads COM/Port, COM/Setting, COM/Delimitr (writing the defaults when missing or empty).
bool fncLoadComSettings(AppState& state, Messenger& messages);
inline constexpr long kMsgSettingsUtf16 = 281;

// fncLoadLanguage then fncLoadComSettings; first tells the user when Setting.ini is UTF-16.
bool fncLoadSettings(AppState& state, Messenger& messages);
// Writes the three COM keys from the shared state.
bool fncSaveComSettings(AppState& state, Messenger& messages);
// Writes OPERATION/Language as "Japanese" or "English".
bool fncSaveLanguage(AppState& state, Messenger& messages);
// Writes OPERATION/Language for language 0 (Japanese) or 1 (English), whatever gLanguage is.
void writeLanguage(const AppState& state, int32_t language);

// The user's default language: 1041 (Japanese) when LC_ALL, LC_MESSAGES or LANG (the first
// that is set) starts with "ja", 1033 otherwise.
int userDefaultLangId();
