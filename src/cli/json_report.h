#pragma once
// The --json report of a command: one JSON object on stdout when the command ends, saying
// what was done, the files written or read (name, size, SHA-256), the status ("ok" or
// "failed") and, on failure, the message (its number in the message file when it came from
// there, and its text). stderr keeps its lines for the person watching.

#include "cli/cli_commands.h"

#include "app/op_result.h"

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
    // Ends with "ok" and exitCode kExitOk, or "failed" (kExitFailed) with a message: the box
    // that reported the failure (the last one shown) when `result` says it was reported, or
    // else `text`.
    int ok();
    int failed(const StderrPrompter& prompter, const OpResult& result, const std::string& text);
    // A failure no box has reported: `text`.
    int failed(const std::string& text);
    // A run that ends in one line of its own after operations that may have shown boxes: the
    // last box of the run when there was one, or else `text`.
    int failedAfterRun(const StderrPrompter& prompter, const std::string& text);

private:
    int failedWith(const StderrPrompter* box, const std::string& text);
    void print();

    bool enabled_;
    bool printed_ = false;
    QJsonObject object_;
    QJsonArray files_;
};
