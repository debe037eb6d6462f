#pragma once
// How plnctl prints what the controller answered: byte for byte into a pipe or file, so a
// script gets exactly the reply (NUL bytes included); on a terminal with control bytes shown
// as \xNN, so a reply can never move the cursor, change colours or retitle the window.

#include <cstdio>
#include <string>

// The reply for a terminal: bytes below 0x20, 0x7F, C1 controls (U+0080..U+009F) and bytes
// that are not UTF-8 become \xNN (a backslash becomes \\); other UTF-8 text is kept.
std::string escapeForTerminal(const std::string& reply);

// Writes text (a reply, or a line built from one) followed by a line end to out: raw when out
// is no terminal, escaped when it is. False when the write failed.
bool printReplyLine(std::FILE* out, const std::string& text);
