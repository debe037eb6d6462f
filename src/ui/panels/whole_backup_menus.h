#pragma once
// System > "Back up whole controller..." and "Restore whole controller...": a folder chooser,
// then the whole-controller backup or restore (operations/controller_backup.h, the same run as
// plnctl backup and restore) under one operation window for all 65 files, which shows where the
// run stands, the file, the progress bar, the time left and Stop. The end of the run is told in
// one box: what was made or loaded, or where it ended and what that leaves.
//
// Wiring into the program:
//     WholeBackupMenus whole(&app.mainWindow(), link.link(), fileDialogs);

#include <QObject>

#include <filesystem>
#include <optional>

class DeviceLink;
class FileDialogs;
class QWidget;

class WholeBackupMenus : public QObject {
    Q_OBJECT
public:
    // Connects and enables mnuSystemBackupAll and mnuSystemRestoreAll.
    WholeBackupMenus(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs);

    void mnuSystemBackupAll_Click();
    void mnuSystemRestoreAll_Click();

private:
    std::optional<std::filesystem::path> chooseFolder(const char* entryName);
    void run(bool backup);

    QWidget* frmMain_;
    DeviceLink& link_;
    FileDialogs& dialogs_;
    std::filesystem::path lastFolder_;  // the folder chooser starts where the last run was
};
