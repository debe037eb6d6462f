#pragma once
// The main window's image: the picture with its value labels, the File menu's image entries,
// the capture, download and upload buttons, and the zoom, readout and histogram. Connecting
// them enables the entries and buttons that work from the start (the open entries, capture
// and download).
//
// Wiring into the program:
//     ImageControls image(&app.mainWindow(), link.link(), fileDialogs);

#include "ui/panels/file_menu.h"
#include "ui/panels/image_panel.h"
#include "ui/panels/image_view.h"
#include "ui/panels/picture_readout.h"

class ImageControls {
public:
    ImageControls(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs);

    ImageView& view() { return view_; }
    FileMenu& fileMenu() { return *fileMenu_; }
    ImagePanel& panel() { return *panel_; }
    PictureReadout& readout() { return *readout_; }

private:
    ImageView view_;
    FileMenu* fileMenu_;
    ImagePanel* panel_;
    PictureReadout* readout_;
};
