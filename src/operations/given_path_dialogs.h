#pragma once
// The common file dialog of a run without a user to ask (plnctl, the whole-controller
// backup): it chooses the path it was given.
#include "app/file_dialogs.h"

#include <filesystem>
#include <optional>
#include <vector>

class GivenPathDialogs : public FileDialogs {
public:
    std::filesystem::path path;
    std::optional<std::vector<std::filesystem::path>> show(const FileDialogRequest&) override
    {
        fileName = path.string();
        return std::vector<std::filesystem::path>{path};
    }
};
