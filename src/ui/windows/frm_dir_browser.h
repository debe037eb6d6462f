#pragma once
// The program's own folder browsers: frmDirSearch picks a folder and returns all its raw
// files of one kind (gFileNames, gFilePaths), frmDirSave picks the output folder
// (gSaveFolder). Both are a drive list, a folder list and a file list that follow each other,
// and report a confirm through gBrowseOK = -1; they never clear it themselves.

#include "app/app_state.h"
#include "window_models/folder_listing.h"

#include <QDialog>

#include <filesystem>
#include <map>
#include <vector>

class Messenger;
class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class DirBrowser : public QDialog {
    Q_OBJECT
public:
    // The folder shown (Dir1's current folder).
    const std::filesystem::path& currentFolder() const { return folder_; }

    // Drive1's choice changed to drive `index`: Dir1 moves to that drive's current folder; a
    // folder that cannot be read asks Retry or Cancel (Cancel goes back to the drive shown).
    void changeDrive(int index);
    // A click on an entry of Dir1: moves into that folder.
    void openFolderEntry(int row);

protected:
    // An empty start folder is the program's working folder.
    DirBrowser(AppState& state, Messenger& messages, const char* name, std::vector<BrowserDrive> drives,
               std::filesystem::path startFolder, QWidget* parent);

    // Builds the controls; the subclass then adds its own and calls start().
    void start(QPushButton* confirm);
    // Shows `folder` in Dir1 and File1; false with the reason when it cannot be read.
    bool moveTo(const std::filesystem::path& folder, std::string& error);
    // Rereads File1 with the current pattern.
    void refreshFiles();
    // After every move: frmDirSearch enables cmdOpen for a non-empty list.
    virtual void folderShown() {}

    AppState& state_;
    Messenger& messages_;
    std::vector<BrowserDrive> drives_;
    std::map<std::size_t, std::filesystem::path> driveFolders_; // each drive's current folder
    std::filesystem::path folder_;
    std::string pattern_;
    int shownDrive_ = 0;

    QComboBox* drive1_ = nullptr;
    QListWidget* dir1_ = nullptr;
    QListWidget* file1_ = nullptr;
    QComboBox* cboPattern_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

// The mounted file systems of this machine as drives: root, home, removable media.
std::vector<BrowserDrive> systemDrives();

class frmDirSearch : public DirBrowser {
    Q_OBJECT
public:
    frmDirSearch(AppState& state, Messenger& messages, QWidget* parent = nullptr,
                 std::vector<BrowserDrive> drives = systemDrives(),
                 std::filesystem::path startFolder = {});

    // cboPattern's choice: entry 0 lists "*.BYR", any other "*.GRY".
    void choosePattern(int index);

private:
    void folderShown() override;
    void onOpen();

    QPushButton* cmdOpen_ = nullptr;
};

class frmDirSave : public DirBrowser {
    Q_OBJECT
public:
    frmDirSave(AppState& state, Messenger& messages, QWidget* parent = nullptr,
               std::vector<BrowserDrive> drives = systemDrives(),
               std::filesystem::path startFolder = {});

private:
    void onSave();
};
