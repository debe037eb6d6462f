#pragma once
// The --json report of a command: one JSON object on stdout when the command ends, saying
// what was done, the files written or read (name, size, SHA-256), the status ("ok" or
// "failed") and, on failure, the message (its number in the message file when it came from
// there, and its text). stderr keeps its lines for the person watching.

#include "cli_commands.h"

#include <QJsonArray>
#include <QJsonObject>

#include <filesystem>
#include <string>

class StderrPrompter;

class JsonReport {
public:
    JsonReport(const CliOptions& options, const std::string& command);
    ~JsonReport();
    JsonReport(const JsonReport&) = delete;
    JsonReport& operator=(const JsonReport&) = delete;

    void set(const char* key, const QJsonValue& value) { object_.insert(QLatin1String(key), value); }
    // A file with its size and SHA-256; false (error set) when it cannot be read.
    bool addFile(const std::filesystem::path& folder, const std::string& name, std::string& error);
    void addFile(const std::string& name, uint64_t size, const std::string& sha256);
    // Ends with "ok" and exitCode kExitOk, or "failed" with the last box shown (if it was shown
    // after boxesBefore) or else `text`.
    int ok();
    int failed(const StderrPrompter& prompter, int boxesBefore, const std::string& text);

private:
    void print();

    bool enabled_;
    bool printed_ = false;
    QJsonObject object_;
    QJsonArray files_;
};
