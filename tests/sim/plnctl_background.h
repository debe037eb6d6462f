#pragma once
// plnctl runs to signal and folders to compare: plnctl started in the background, and the
// whole contents of a folder as one value.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace plnctl_test {

namespace fs = std::filesystem;

inline std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every entry below root with its contents ("/" for a folder).
inline std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(root))
        all[e.path().lexically_relative(root).string()] = e.is_directory() ? "/" : readFile(e.path());
    return all;
}

inline std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// plnctl started in the background (stderr into a file), to be signalled.
class Background {
public:
    Background(const fs::path& programFolder, const std::vector<std::string>& args, const fs::path& errFile)
    {
        pid_ = fork();
        if (pid_ == 0) {
            int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(err, 2);
            std::vector<std::string> all = {PLNCTL_PATH, "--program-folder", programFolder.string()};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (auto& a : all)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(PLNCTL_PATH, argv.data());
            _exit(127);
        }
    }
    ~Background()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    void signal(int number) { ::kill(pid_, number); }
    // The exit status, 128 + n when killed by signal n, -1 when it did not end within the bound.
    int wait(std::chrono::milliseconds bound)
    {
        const auto end = std::chrono::steady_clock::now() + bound;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
};

// Waits until an entry beside `near` whose name starts with prefix holds `file` (or, for an
// empty `file`, exists at all).
inline bool waitForFileBeside(const fs::path& near, const std::string& prefix, const std::string& file,
                              std::chrono::milliseconds bound = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + bound;
    while (std::chrono::steady_clock::now() < end) {
        for (const auto& e : fs::directory_iterator(near.parent_path()))
            if (e.path().filename().string().rfind(prefix, 0) == 0 && (file.empty() || fs::exists(e.path() / file)))
                return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

} // namespace plnctl_test
