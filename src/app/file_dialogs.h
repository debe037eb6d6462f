#pragma once
// The main window's one common file dialog (open, save, multi-select), as the commands use it.
// The GUI shows a QFileDialog, tests script the answers. Like the single dialog control it
// stands for, it remembers the last file name between uses: several commands start from it.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct FileDialogRequest {
    // Folder chooses one existing folder (the filter is not used) and leaves fileName as it
    // is: the file commands keep their own proposal.
    enum class Kind { Open, Save, OpenMany, Folder };
    Kind kind = Kind::Open;
    // Pairs of description and pattern joined by "|" ("Bank files| *.BNK"); a pattern may
    // start with a blank and may hold several patterns separated by ";".
    std::string filter;
    int filterIndex = 1;                 // 1-based entry shown first
    std::filesystem::path initialFolder; // folder shown first
    bool overwritePrompt = false;        // a save asks before replacing an existing file
    bool pathMustExist = false;          // the chosen folder must exist
    std::string title;                   // "" for the toolkit's default caption
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // Shows the dialog proposing fileName. Returns the chosen files (one for Open and Save),
    // nullopt when the user cancelled. On a choice of files fileName becomes the (first) chosen
    // path.
    virtual std::optional<std::vector<std::filesystem::path>> show(const FileDialogRequest& request) = 0;

    // The remembered file name: the proposal of the next dialog ("" proposes nothing).
    std::string fileName;
};
