#pragma once
// The program-wide state shared by the windows, the link and the operations.
// One instance is owned by the application (or by plnctl, or by a test) and passed by reference.
// Member names are the g... names the windows, the link and the operations all use, so that the
// code of each reads the same.

#include "image/image_workspace.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// The values of gLinkMode, which stays a plain int16_t: code compares and sets it by these names.
enum LinkMode : int16_t { kLinkNone = 0, kLinkSerial = 1, kLinkLan = 2 };

struct AppState {
    // Folder of the executable: settings, texts and the working folders live here.
    std::filesystem::path programFolder;
    // Where the label, message and help files are read when not from programFolder (an
    // installed copy whose settings live in the user's own folder, see program_folder.h).
    std::filesystem::path textFolder;

    int16_t gLinkMode = kLinkNone;  // 0 none, 1 serial port open, 2 LAN (TCP): a LinkMode
    int16_t gComPort = 0;           // serial port number 1..16
    std::string gComSettings;       // "38400,N,8,1"
    std::string gComDelimiter;      // "\r", "\n" or "\r\n"
    std::string gLanDelimiter;      // terminator on the LAN link
    int16_t gLanDelimiterIndex = 0; // 0 CR, 1 LF, 2 CR+LF
    std::string gLanAddress;        // address of the LAN link made from frmLanSet
    int32_t gLanguage = 0;          // 0 Japanese, 1 English

    std::vector<std::string> gMsgParts; // last message split at "@"
    int16_t gMsgAnswer = 0;             // 1 OK, 2 Cancel, 6 Yes, 7 No

    std::vector<std::string> gFileNames; // batch conversion: names without folder (UTF-8)
    std::vector<std::string> gFilePaths; // the same files with their folder
    std::string gSaveFolder;             // output folder, ends in the separator
    int16_t gBrowseOK = 0;               // -1 when a browser window was confirmed

    int32_t gSockTimeout = 0;  // time base of the socket receive helpers, 0 = 1000 ms
    int16_t gStopRequest = 0;  // -1 when Stop was pressed in the progress window
    int32_t gImageOption = 0;  // option chosen in frmOption
    int16_t gUnsavedDownload = 0; // -1 while a downloaded image is shown and not yet saved

    // The size of the last file each kind of save ("BNKSAVE", "BGRSAVE", "SYSSAVE") received
    // in this run: what the next save of that kind is expected to bring, for its progress.
    std::map<std::string, int64_t> lastSaveBytes;

    // The current sensor image, the upload image, the BMP pixel buffer and the image size.
    ImageWorkspace images;

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
