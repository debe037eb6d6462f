#pragma once
// A FileDialogs for tests: answers from a script (nullopt = cancelled) and records every request.

#include "app/file_dialogs.h"

#include <deque>

class ScriptedDialogs : public FileDialogs {
public:
    std::deque<std::optional<std::filesystem::path>> answers;
    std::vector<FileDialogRequest> requests;
    std::vector<std::string> proposals; // fileName when each dialog opened

    std::optional<std::vector<std::filesystem::path>> show(const FileDialogRequest& request) override
    {
        requests.push_back(request);
        proposals.push_back(fileName);
        if (answers.empty() || !answers.front()) {
            if (!answers.empty())
                answers.pop_front();
            return std::nullopt;
        }
        std::filesystem::path chosen = *answers.front();
        answers.pop_front();
        fileName = chosen.string();
        return std::vector<std::filesystem::path>{chosen};
    }
};
