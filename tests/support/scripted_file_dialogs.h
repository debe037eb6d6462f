#pragma once
// A FileDialogs for tests: answers from a script (cancel when the script is empty) and records
// every request with the file name it proposed.

#include "app/file_dialogs.h"

#include <deque>

class ScriptedFileDialogs : public FileDialogs {
public:
    struct Shown {
        FileDialogRequest request;
        std::string proposed; // fileName when the dialog opened
    };
    std::vector<Shown> shown;
    std::deque<std::optional<std::vector<std::filesystem::path>>> answers;

    // The next dialog chooses path / the next dialog is cancelled.
    void choose(const std::filesystem::path& path) { answers.push_back(std::vector<std::filesystem::path>{path}); }
    void chooseMany(std::vector<std::filesystem::path> paths) { answers.push_back(std::move(paths)); }
    void cancel() { answers.push_back(std::nullopt); }

    std::optional<std::vector<std::filesystem::path>> show(const FileDialogRequest& request) override
    {
        shown.push_back({request, fileName});
        if (answers.empty())
            return std::nullopt;
        auto answer = std::move(answers.front());
        answers.pop_front();
        if (answer && !answer->empty() && request.kind != FileDialogRequest::Kind::Folder)
            fileName = answer->front().string();
        return answer;
    }
};
