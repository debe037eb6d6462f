#pragma once
// The main window's common file dialog (open, save, multi-select), as the commands use it.
// The GUI shows a QFileDialog, tests script the answers. Each kind of file (bank, bank group,
// system data, raw image, BMP) remembers its own last name and folder, so a dialog never
// proposes a file of another kind to be overwritten.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The kinds of file that remember their last name and folder; Unnamed dialogs use fileName.
enum class FileKind { Unnamed, Bank, BankGroup, System, RawImage, Bitmap };

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
    FileKind fileKind = FileKind::Unnamed;
    // The file the command will really write for a chosen name (a raw image save writes
    // x.BYR for x.bmp); the replace question asks about that file. Empty: the name itself.
    std::function<std::filesystem::path(const std::filesystem::path&)> writtenAs;
};

// The extension of the filter's entry (1-based) that a name typed without one gets: the first
// pattern's, when it is "*.EXT" with no wildcard in EXT ("" for "*.*" or no such entry).
std::string filterExtension(const std::string& filter, int entry);

// The file a name chosen in a dialog stands for: a name without an extension gets the chosen
// filter entry's, as desktop file dialogs do ("bank03" saved as bank03.BNK); an open takes the
// name with the extension only when that file is there and the typed one is not. Then
// request.writtenAs.
std::filesystem::path chosenFile(const std::filesystem::path& typed, const FileDialogRequest& request, int entry);

class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    // Shows the dialog proposing fileName. Returns the chosen files (one for Open and Save),
    // nullopt when the user cancelled. On a choice of files fileName becomes the (first) chosen
    // path.
    virtual std::optional<std::vector<std::filesystem::path>> show(const FileDialogRequest& request) = 0;

    // Shows the dialog for a request.fileKind other than Unnamed: in the folder of that kind's
    // last file (request.initialFolder until there is one), proposing that file, or proposal
    // when given ("" proposes no name). The choice becomes that kind's last file.
    std::optional<std::vector<std::filesystem::path>>
    showFor(FileDialogRequest request, const std::optional<std::string>& proposal = std::nullopt);

    // The last file chosen for a kind ("" before the first choice).
    std::filesystem::path lastFile(FileKind kind) const;

    // The proposal of the next dialog shown directly with show() ("" proposes nothing).
    std::string fileName;

private:
    std::map<FileKind, std::filesystem::path> lastFiles_;
};
