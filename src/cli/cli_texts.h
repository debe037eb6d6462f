#pragma once
// plnctl's own lines in its user's language. The English text is the key; the Japanese
// table gives the same line with the same printf conversions in the same order. The texts
// of the message files (Message 22 ...) come from there as in the windows.

#include <cstdio>
#include <string>

// The line in language (0 Japanese, 1 English); English when the table has no entry.
const char* cliText(int language, const char* english);

// Prints "plnctl: " + the formatted line + "\n" on stderr.
void cliSay(int language, const char* englishFormat, ...) __attribute__((format(printf, 2, 3)));

// The formatted line, translated.
std::string cliFormat(int language, const char* englishFormat, ...) __attribute__((format(printf, 2, 3)));

// True when every Japanese line takes the same printf conversions as its key (a test runs it);
// else false with the key in *problem.
bool cliTextsMatch(std::string* problem = nullptr);
