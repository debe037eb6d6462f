#pragma once
// The INI files hold bytes in the ANSI code page: CP932 for the Japanese texts.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Decodes bytes of the given language's files to UTF-8 (Japanese: CP932; English: the
// bytes are taken as UTF-8 when they are valid UTF-8, else as Windows-1252).
std::string decodeAnsi(const std::string& bytes, int language);

// Replaces each backslash-n by CR+LF and removes every TAB.
std::string expandLineBreaksAndTabs(const std::string& text);
std::string removeTabs(std::string text);

// Splits text at every separator; n separators give n + 1 parts.
std::vector<std::string> splitAt(const std::string& text, char separator);

// Removes the given blank characters at both ends.
std::string trimChars(const std::string& text, const char* blanks);

// A whole 16-bit number as the INI files may hold it ("3", " 9.5 "): blanks around it are
// ignored and fractions round half to even; nullopt when it is no number or out of range.
std::optional<int16_t> wholeNumber(const std::string& text);
