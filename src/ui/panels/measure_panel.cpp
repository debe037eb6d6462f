#include "ui/panels/measure_panel.h"

#include "ui/qt/control_index.h"

#include "link/device_link.h"
#include "link/judgement.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {
constexpr long kLabelMeasure = 12;  // cmdMeasure while no continuous measurement runs
constexpr long kLabelStop = 13;     // cmdMeasure while one runs
}

MeasurePanel::MeasurePanel(QWidget* frmMain, DeviceLink& link) : QObject(frmMain), link_(link)
{
    cmdMeasure_ = frmMain->findChild<QPushButton*>(QStringLiteral("cmdMeasure"));
    cmdGetMesure_ = frmMain->findChild<QPushButton*>(QStringLiteral("cmdGetMesure"));
    for (int i = 0; i < 3; ++i)
        opt_[i] = findControlAs<QRadioButton>(frmMain, QStringLiteral("optMesure"), i);
    value6_ = findControlAs<QLabel>(frmMain, QStringLiteral("lblValue"), 6);
    value7_ = findControlAs<QLabel>(frmMain, QStringLiteral("lblValue"), 7);
    Q_ASSERT(cmdMeasure_ && cmdGetMesure_ && opt_[0] && opt_[1] && opt_[2] && value6_ && value7_);
    connect(cmdMeasure_, &QPushButton::clicked, this, &MeasurePanel::cmdMeasure_Click);
    connect(cmdGetMesure_, &QPushButton::clicked, this, &MeasurePanel::cmdGetMesure_Click);
}

void MeasurePanel::setOptionsEnabled(bool enabled)
{
    for (QRadioButton* o : opt_)
        o->setEnabled(enabled);
}

void MeasurePanel::setCaption(long label)
{
    cmdMeasure_->setText(QString::fromStdString(link_.messages().fncGetMessage("Label", label)));
}

void MeasurePanel::cmdMeasure_Click()
{
    MeasureCommand command = MeasureCommand::Once;
    if (opt_[0]->isChecked()) {
        command = MeasureCommand::Once;
    } else if (!opt_[1]->isChecked()) {
        command = MeasureCommand::Inspect;
    } else if (continuous_) {
        continuous_ = 0;
        setCaption(kLabelMeasure);
        setOptionsEnabled(true);
        command = MeasureCommand::StopContinuous;
    } else {
        continuous_ = -1;
        setCaption(kLabelStop);
        setOptionsEnabled(false);
        command = MeasureCommand::StartContinuous;
    }
    std::string reply = link_.commands().measure(command);
    if (command == MeasureCommand::StartContinuous && reply != "OK") {
        continuous_ = 0;
        setCaption(kLabelMeasure);
        setOptionsEnabled(true);
    }
}

void MeasurePanel::cmdGetMesure_Click()
{
    std::string judgement = link_.commands().judgement();
    long label = judgementLabel(judgement);
    if (label == 0)
        return;
    value6_->setText(QString::fromStdString(link_.messages().fncGetMessage("Label", label)));
    std::string value = link_.commands().resultValue();
    if (!value.empty())
        value7_->setText(QString::fromStdString(value));
}

void MeasurePanel::stopAtExit()
{
    if (continuous_ != -1)
        return;
    continuous_ = 0;
    setOptionsEnabled(true);
    link_.commands().measure(MeasureCommand::StopContinuous);
}
