#include "ui/windows/telnet_set.h"

#include "link/framing.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

TelnetSet::TelnetSet(AppState& state, QWidget* parent) : QDialog(parent), state_(state)
{
    setObjectName(QStringLiteral("TelnetSet"));
    setWindowTitle(QStringLiteral("TelnetSet"));
    auto* frame = new QGroupBox(QStringLiteral("Frame1"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* label = new QLabel(QStringLiteral("Delimiter"), frame);
    label->setObjectName(QStringLiteral("Label1"));
    cmbDeli_ = new QComboBox(frame);
    cmbDeli_->setObjectName(QStringLiteral("CmbDeli"));
    cmbDeli_->addItems({QStringLiteral("CR"), QStringLiteral("LF"), QStringLiteral("CR+LF")});
    auto* frameLayout = new QGridLayout(frame);
    frameLayout->addWidget(label, 0, 0);
    frameLayout->addWidget(cmbDeli_, 0, 1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(frame, 0, 0, 1, 2);
    layout->addWidget(ok, 1, 0);
    layout->addWidget(cancel, 1, 1);
    connect(ok, &QPushButton::clicked, this, &TelnetSet::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TelnetSet::cmdOK_Click()
{
    int index = cmbDeli_->currentIndex();
    if (index >= 0 && index <= 2) {
        state_.gLanDelimiter = kTerminators[index];
        state_.gLanDelimiterIndex = int16_t(index);
    }
    accept();
}

void TelnetSet::openModal(AppState& state, QWidget* parent)
{
    TelnetSet dialog(state, parent);
    int index = state.gLanDelimiterIndex;
    dialog.CmbDeli()->setCurrentIndex(index == 1 || index == 2 ? index : 0);
    dialog.exec();
}
