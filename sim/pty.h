#pragma once
// The simulator's pseudo-terminal: the master side it serves, and the device side that it
// keeps open itself so the terminal keeps its raw settings and the master sees no hang-up
// while no tool has the port open.

#include <string>

struct Pty {
    int master = -1;
    int slave = -1;
    std::string device;
};

// Opens a new pseudo-terminal in raw mode and points the symbolic link at it (replacing any
// link of that name at once). False with a message on stderr when it cannot.
bool openPty(const std::string& link, Pty* pty);
void closePty(Pty* pty);
