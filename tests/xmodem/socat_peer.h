#pragma once
// A peer across a pseudo-terminal, made by socat: lrzsz's sx or rx, or any shell command.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

inline bool haveSocatAndLrzsz()
{
    return std::system("command -v socat >/dev/null && command -v sx >/dev/null && command -v rx >/dev/null") == 0;
}

// socat with a pseudo-terminal for us (at link) and a program on the other side, run in the
// folder of the link (rx takes only names without a folder). The program talks to socat
// through a socket pair: on a terminal of its own, rx's last ACK would be thrown away when
// rx exits.
class Socat {
public:
    // theirs: a socat address such as "EXEC:sx -q file". waitForUs: the peer starts only once
    // our side has opened the pseudo-terminal (a start request sent earlier would be lost).
    Socat(const std::filesystem::path& link, const std::string& theirs, bool waitForUs)
    {
        std::string folder = link.parent_path().string();
        std::string ours = "pty,raw,echo=0" + std::string(waitForUs ? ",wait-slave" : "") + ",link=" + link.string();
        pid_ = fork();
        if (pid_ == 0) {
            int null = ::open("/dev/null", O_RDWR);
            dup2(null, 1);
            dup2(null, 2);
            if (chdir(folder.c_str()) != 0)
                _exit(126);
            execlp("socat", "socat", ours.c_str(), theirs.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 500 && !std::filesystem::exists(link); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Socat()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    // The exit status of socat (that of the program), waiting up to ms.
    int wait(int ms)
    {
        for (int i = 0; i < ms / 10; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -2;
    }

private:
    pid_t pid_ = -1;
};

