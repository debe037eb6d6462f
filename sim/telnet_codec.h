#pragma once
// Telnet byte stuffing on the controller's TCP port while a file moves: 255 goes as 255 255 and
// CR as CR NUL, both ways. Text lines (commands, replies) are not stuffed.

#include <string>
#include <string_view>

std::string telnetEscape(std::string_view bytes);

// Undoes the stuffing of the bytes from the tool, across reads: of 255 255 one is kept, a NUL
// after CR is dropped (CR LF stays CR LF).
class TelnetUnescaper {
public:
    std::string feed(std::string_view bytes);

private:
    bool afterFF_ = false;
    bool afterCR_ = false;
};
