#pragma once
// The batch conversion window: the list of the batch (gFileNames) in a label with two scroll
// bars of its own, and three buttons: convert file by file with a save dialog per file
// (cmdOK), convert all into one folder under the progress window (cmdAuto), close (cmdCancel).
// Layout and scroll arithmetic live in window_models/batch_window_layout.h, in twips.

#include "app/app_state.h"

#include <QDialog>

#include <functional>
#include <string>

class FileDialogs;
class Messenger;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;

class frmBinBmpConv : public QDialog {
    Q_OBJECT
public:
    // Applies the labels and shows the batch list (Form_Load).
    frmBinBmpConv(AppState& state, Messenger& messages, FileDialogs& dialogs, QWidget* parent = nullptr);

    // The folder browser of cmdAuto; sets gBrowseOK and gSaveFolder when confirmed. The
    // default shows frmDirSave modally.
    std::function<void()> browseSaveFolder;

    // Gives cmdAuto its automatic run (fncHkrAutoConvert: true when every file was converted
    // or the user stopped). cmdAuto stays disabled until a run is given.
    void setAutoConvert(std::function<bool()> run);

    // cmdOK_Click's conversion, for the button and for tests: true when the window may close.
    bool convertFileByFile();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool convertEach(bool& saving);
    void layOut();
    void showList();
    void onOK();
    void onAuto();
    void onCancel();
    // The main window's caption: the title of the "file does not exist" box.
    std::string mainCaption() const;

    AppState& state_;
    Messenger& messages_;
    FileDialogs& dialogs_;
    std::function<bool()> autoConvert_;

    QGroupBox* convFrame_ = nullptr;
    QLabel* fileBox_ = nullptr;
    QScrollBar* tateScr_ = nullptr;
    QScrollBar* yokoScr_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdAuto_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};
