#pragma once
// Where the program keeps its files. The texts (labels, messages, help) always come from the
// folder the program was installed in. Setting.ini and the working folders (TMP, IMAGE, ...)
// live there too when the user may write there; an installed copy under /opt is not the
// user's to write, so each user then gets a folder of their own.

#include <filesystem>

struct ProgramFolders {
    std::filesystem::path settings; // AppState::programFolder
    std::filesystem::path texts;    // AppState::textFolder
};

// PLNTOOL_HOME when set; else the installed folder when it is writable; else
// $XDG_DATA_HOME/plntool (~/.local/share/plntool). The chosen folder is created.
ProgramFolders chooseProgramFolders(const std::filesystem::path& installedFolder);
