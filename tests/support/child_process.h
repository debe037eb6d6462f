#pragma once
// Runs a program to its end with its output captured and its processor time measured.

#include "processor_time.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

struct ChildResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    double cpuSeconds = 0;
    double wallSeconds = 0;
};

inline ChildResult runChild(const std::string& exe, const std::vector<std::string>& args,
                            const std::vector<std::string>& env = {})
{
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0)
        return {};
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        for (int fd : {out[0], out[1], err[0], err[1]})
            close(fd);
        for (const auto& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv{const_cast<char*>(exe.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    ChildResult r;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buf[4096];
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? r.out : r.err).append(buf, size_t(n));
            }
        }
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = processorSeconds(usage);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}
