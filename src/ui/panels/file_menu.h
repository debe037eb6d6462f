#pragma once
// The File menu's image entries: open a raw image file (mnuBinload2) or a BMP (mnuBmpLoad)
// and show it, save the held image as a raw image file (mnuBinsave2) or the shown picture as
// a BMP (mnuBmpSave). Raw image files and BMP files each remember their own last name and
// folder; a save proposes the name of the file the picture came from when there is one.

#include "app/app_state.h"
#include "app/file_dialogs.h"
#include "app/messages.h"

#include <QObject>

#include <filesystem>
#include <string>

class ImageView;
class QRadioButton;
class QWidget;

class FileMenu : public QObject {
    Q_OBJECT
public:
    FileMenu(QWidget* frmMain, AppState& state, Messenger& messages, FileDialogs& dialogs, ImageView& view);

    void mnuBinload2_Click();
    void mnuBinsave2_Click();
    void mnuBmpSave_Click();
    void mnuBmpLoad_Click();

private:
    // The chosen file, or nothing when the dialog was cancelled.
    std::optional<std::filesystem::path> ask(FileDialogRequest request, const std::optional<std::string>& proposal);
    // False when an unsaved download is shown and the user keeps it (Question 2).
    bool mayReplaceDownload();
    std::string label(long number);
    void showError(const std::string& description);
    // Loads tmp.bmp into the picture; a picture that cannot be loaded is reported (False).
    bool showWorkPicture();

    AppState& state_;
    Messenger& messages_;
    FileDialogs& dialogs_;
    ImageView& view_;
    QRadioButton* optSelect0_ = nullptr;
};
