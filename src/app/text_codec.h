#pragma once
// The INI files hold bytes in the ANSI code page: CP932 for the Japanese texts.

#include <string>

// Decodes bytes of the given language's files to UTF-8 (Japanese: CP932; English: the
// bytes are taken as UTF-8 when they are valid UTF-8, else as Windows-1252).
std::string decodeAnsi(const std::string& bytes, int language);

// Replaces each backslash-n by CR+LF and removes every TAB.
std::string expandLineBreaksAndTabs(const std::string& text);
std::string removeTabs(std::string text);
