#pragma once
// The main window's image buttons: cmdCapture, cmdConvert (download the image chosen with
// optSelect and lstImageNo, convert it and show it) and cmdLoad (upload the held image).
// Each device operation runs under the operation window frmWait.

#include "app/app_state.h"
#include "app/file_dialogs.h"
#include "app/messages.h"

#include <QObject>

#include <cstdint>

class DeviceLink;
class ImageView;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

class ImagePanel : public QObject {
    Q_OBJECT
public:
    ImagePanel(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs, ImageView& view);

    void cmdCapture_Click();
    void cmdConvert_Click();
    void cmdLoad_Click();
    // Downloads, converts and shows the chosen image; True when it is shown.
    bool fncGetImage();

    // The image number a download asks for: the topmost visible entry of lstImageNo with
    // optSelect 0, the live image (-1) with optSelect 1.
    int16_t chosenImageNumber() const;

private:
    bool accepted(long question);
    bool getImage();

    QWidget* window_;
    DeviceLink& link_;
    AppState& state_;
    Messenger& messages_;
    FileDialogs& dialogs_;
    ImageView& view_;
    QRadioButton* optSelect0_ = nullptr;
    QListWidget* lstImageNo_ = nullptr;
};
