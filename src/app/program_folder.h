#pragma once
// Where the program keeps its files. The texts (labels, messages, help) always come from the
// folder the program was installed in. Setting.ini and the working folders (TMP, IMAGE, ...)
// live there too when the user may write there; a folder installed by the Debian package is
// shared by every user, root included, and never written, so each user then gets a folder of
// their own.

#include <filesystem>

struct ProgramFolders {
    std::filesystem::path settings; // AppState::programFolder
    std::filesystem::path texts;    // AppState::textFolder
};

// The file that marks a program folder as the package's shared one: it holds one line saying
// where the users' own folders are.
inline constexpr const char* kSharedFolderMark = "shared-folder";

// PLNTOOL_HOME when set; else the installed folder when it is writable and not marked as
// shared; else $XDG_DATA_HOME/plntool (~/.local/share/plntool). The chosen folder is created.
// A user's own folder that has no Setting.ini yet gets one holding only the language of the
// user's locale (userDefaultLangId), so a first start speaks the user's language; a program
// folder used in place is left to the settings rule.
ProgramFolders chooseProgramFolders(const std::filesystem::path& installedFolder);
