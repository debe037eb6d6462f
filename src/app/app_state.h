#pragma once
// The program-wide state shared by the windows, the link and the operations.
// One instance is owned by the application (or by plnctl, or by a test) and passed by reference.
// Member names are the g... names the windows, the link and the operations all use, so that the
// code of each reads the same; the groups below only say which part of the program each
// belongs to (state.gLinkMode is still state.gLinkMode).

#include "app/link_settings.h"
#include "image/image_workspace.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// The last message box: its text split at "@" and the button that closed it.
struct MessageState {
    std::vector<std::string> gMsgParts; // last message split at "@"
    int16_t gMsgAnswer = 0;             // 1 OK, 2 Cancel, 6 Yes, 7 No
};

// The batch conversion's files, passed from the folder browsers and the common dialog to the
// batch window.
struct BatchSelection {
    std::vector<std::string> gFileNames; // names without folder (UTF-8)
    std::vector<std::string> gFilePaths; // the same files with their folder
    std::string gSaveFolder;             // output folder, ends in the separator
    int16_t gBrowseOK = 0;               // -1 when a browser window was confirmed
};

// What the operation window's Stop asks of the running operation, and what the transfers
// have learnt of the controller in this run.
struct OperationRequests {
    int16_t gStopRequest = 0;  // -1 when Stop was pressed in the progress window
    // The size of the last file each kind of save ("BNKSAVE", "BGRSAVE", "SYSSAVE") received
    // in this run: what the next save of that kind is expected to bring, for its progress.
    std::map<std::string, int64_t> lastSaveBytes;
};

// The pictures: the current sensor image, the upload image, the BMP pixel buffer and the
// image size, and what the user chose and has not saved of them.
struct ImageState {
    int32_t gImageOption = 0;     // option chosen in frmOption
    int16_t gUnsavedDownload = 0; // -1 while a downloaded image is shown and not yet saved
    ImageWorkspace images;
};

struct AppState : LinkSettings, MessageState, BatchSelection, OperationRequests, ImageState {
    // Folder of the executable: settings, texts and the working folders live here.
    std::filesystem::path programFolder;
    // Where the label, message and help files are read when not from programFolder (an
    // installed copy whose settings live in the user's own folder, see program_folder.h).
    std::filesystem::path textFolder;
    int32_t gLanguage = 0;  // 0 Japanese, 1 English

    // Working folders and fixed temporary files below the program folder.
    std::filesystem::path tmpFolder() const { return programFolder / "TMP"; }
    std::filesystem::path imageFolder() const { return programFolder / "IMAGE"; }
    std::filesystem::path settingsFile() const { return programFolder / "Setting.ini"; }
    std::filesystem::path textsFolder() const { return textFolder.empty() ? programFolder : textFolder; }
    std::filesystem::path messageFile() const {
        return textsFolder() / (gLanguage == 0 ? "MessageJPN.ini" : "MessageENG.ini");
    }
    std::filesystem::path labelFile() const {
        return textsFolder() / (gLanguage == 0 ? "LabelJPN.ini" : "LabelENG.ini");
    }
};

// The application title: the caption of every message box.
inline constexpr const char* kAppTitle = "Lumivex PLN TOOL";
