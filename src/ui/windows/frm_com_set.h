#pragma once
// frmComSet: the serial port, its line settings and the command terminator.

#include "app/app_state.h"
#include "app/messages.h"

#include <QDialog>

class CommandChannel;
class QComboBox;

class frmComSet : public QDialog {
    Q_OBJECT
public:
    frmComSet(AppState& state, Messenger& messages, CommandChannel& channel, QWidget* parent = nullptr);

    // Labels, then the current settings shown. False when the settings could not be shown
    // (Message 99 was shown; the lists after the failing step have no selection).
    bool Form_Load();
    void cmdOK_Click();

    QComboBox* CmbCOM() const { return cmbCOM_; }
    QComboBox* CmbReate() const { return cmbReate_; }
    QComboBox* CmbParity() const { return cmbParity_; }
    QComboBox* CmbDatLen() const { return cmbDatLen_; }
    QComboBox* CmbStpBit() const { return cmbStpBit_; }
    QComboBox* CmbDeli() const { return cmbDeli_; }

private:
    bool showSettings();

    AppState& state_;
    Messenger& messages_;
    CommandChannel& channel_;
    QComboBox* cmbCOM_ = nullptr;
    QComboBox* cmbReate_ = nullptr;
    QComboBox* cmbParity_ = nullptr;
    QComboBox* cmbDatLen_ = nullptr;
    QComboBox* cmbStpBit_ = nullptr;
    QComboBox* cmbDeli_ = nullptr;
};
