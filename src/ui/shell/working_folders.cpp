#include "ui/shell/working_folders.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool fncMakeFolders(const AppState& state) {
    bool allThere = true;
    for (const char* name : kWorkingFolders) {
        const fs::path folder = state.programFolder / name;
        std::error_code ec;
        if (fs::is_directory(folder, ec)) {
            continue;
        }
        fs::create_directory(folder, ec);
        allThere = allThere && !ec;
    }
    return allThere;
}

bool fncDeleteTempFiles(const AppState& state) {
    // Files are opened and closed within one operation, so none of these is held open here.
    bool allGone = true;
    for (const char* name : kTempFiles) {
        const fs::path file = state.tmpFolder() / name;
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(file, ec))) {
            continue;
        }
        fs::remove(file, ec);
        allGone = allGone && !ec;
    }
    return allGone;
}
