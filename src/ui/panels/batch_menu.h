#pragma once
// The File menu's batch conversions: mnuEachConv2 (raw files chosen in the common dialog) and
// mnuAllConv2 (every raw file of one kind in a folder chosen with frmDirSearch). Both fill the
// batch list and open the batch conversion window.

#include "app/app_state.h"

#include <QObject>

#include <functional>

class FileDialogs;
class Messenger;
class frmBinBmpConv;
class QWidget;

class BatchCommands : public QObject {
    Q_OBJECT
public:
    BatchCommands(AppState& state, Messenger& messages, FileDialogs& dialogs, QWidget* mainWindow);

    void mnuEachConv2_Click();
    void mnuAllConv2_Click();

    // Connects the two entries of the main window's conversion submenu and enables them.
    void attachMenu();

    // The automatic run given to the batch window's cmdAuto: fncHkrAutoConvert under frmWait.
    std::function<bool()> autoConvert;
    // How the input folder is chosen; the default shows frmDirSearch modally.
    std::function<void()> browseInputFolder;
    // How the batch window is shown; the default shows it modally.
    std::function<void(frmBinBmpConv&)> showBatchWindow;

private:
    void eachCommand();
    void allCommand();
    void openBatchWindow();

    AppState& state_;
    Messenger& messages_;
    FileDialogs& dialogs_;
    QWidget* mainWindow_;
};
