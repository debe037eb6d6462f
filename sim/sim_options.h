#pragma once
// Command-line options of plnsim.

#include <optional>
#include <string>

struct SimOptions {
    bool tcp = false;
    std::string tcpAddress = "127.0.0.1";
    int tcpPort = 0;            // 0: the system picks a free port
    std::string ptyLink;        // symbolic link to create for the pseudo-terminal
    int replyDelayMs = 0;
    bool silent = false;        // read commands, never answer
    int dropAfter = 0;          // close a TCP connection after this many replies (0: never)
    std::string replyTerminator; // end every reply with this instead of the command's own
};

// nullopt and a message in *error for bad usage.
std::optional<SimOptions> parseSimOptions(int argc, char** argv, std::string* error);
