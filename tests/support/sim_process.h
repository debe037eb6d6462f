#pragma once
// Starts plnsim as a child process and reads its ready lines.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

class SimProcess {
public:
    // args: the plnsim flags. Blocks until one ready line per endpoint was read.
    explicit SimProcess(const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            std::string exe = PLNSIM_PATH;
            argv.push_back(exe.data());
            std::vector<std::string> copy = args;
            for (auto& a : copy)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(exe.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        FILE* in = fdopen(out[0], "r");
        int expected = 0;
        for (const auto& a : args)
            expected += (a == "--tcp" || a == "--pty") ? 1 : 0;
        char line[256];
        for (int i = 0; i < expected && fgets(line, sizeof line, in); ++i) {
            std::string l(line);
            while (!l.empty() && (l.back() == '\n' || l.back() == '\r'))
                l.pop_back();
            if (l.rfind("tcp ", 0) == 0) {
                std::string addr = l.substr(4);
                tcpPort = std::stoi(addr.substr(addr.rfind(':') + 1));
            } else if (l.rfind("pty ", 0) == 0) {
                ptyDevice = l.substr(4);
            }
        }
        fclose(in);
    }
    ~SimProcess() { kill(); }
    void kill()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    pid_t pid() const { return pid_; }

    int tcpPort = 0;
    std::string ptyDevice;

private:
    pid_t pid_ = -1;
};
