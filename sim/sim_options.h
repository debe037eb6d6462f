#pragma once
// Command-line options of plnsim.

#include "xmodem_peer.h"

#include <cstdint>
#include <optional>
#include <string>

struct SimOptions {
    bool help = false;
    bool tcp = false;
    std::string tcpAddress = "127.0.0.1";
    int tcpPort = 0;            // 0: the system picks a free port
    std::string ptyLink;        // symbolic link to create for the pseudo-terminal
    int replyDelayMs = 0;
    bool silent = false;        // read commands, never answer
    int dropAfterReplies = 0;   // close a TCP connection after this many replies (0: never)
    int64_t dropAfterBytes = 0; // close the link after this many bytes of a transfer (0: never)
    std::string replyTerminator; // end every reply with this instead of the command's own
    XmodemFaults faults;
    int baud = 0;               // pace the pseudo-terminal's output at baud / 10 bytes a second (0: no pacing)
    std::string dataFolder;     // keeps loaded banks, groups and system data across runs
};

// nullopt and a message in *error for bad usage.
std::optional<SimOptions> parseSimOptions(int argc, char** argv, std::string* error);

// The text of --help: every flag and every command the simulator answers.
const char* simUsage();
// The version --version prints (the project's).
const char* simVersion();
