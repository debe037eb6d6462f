#include "ui/panels/image_controls.h"

#include "link/device_link.h"

#include <QAction>
#include <QPushButton>
#include <QWidget>

ImageControls::ImageControls(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs)
    : view_(frmMain),
      fileMenu_(new FileMenu(frmMain, link.state(), link.messages(), dialogs, view_)),
      panel_(new ImagePanel(frmMain, link, dialogs, view_)),
      readout_(new PictureReadout(frmMain, link.state(), link.messages()))
{
    for (const char* entry : {"mnuBinload2", "mnuBmpLoad"})
        frmMain->findChild<QAction*>(QString::fromLatin1(entry))->setEnabled(true);
    for (const char* button : {"cmdCapture", "cmdConvert"})
        frmMain->findChild<QPushButton*>(QString::fromLatin1(button))->setEnabled(true);
}
