#include "ui/windows/frm_com_set.h"

#include "ui/qt/control_index.h"
#include "app/settings.h"
#include "ui/qt/window_labels.h"

#include "link/command_channel.h"
#include "link/framing.h"
#include "link/port_names.h"
#include "link/serial_port.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <cstdlib>
#include <optional>

namespace {

QComboBox* list(const char* name, const QStringList& texts, bool numericItems, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (const QString& t : texts)
        box->addItem(t, numericItems ? QVariant(t.toInt()) : QVariant());
    return box;
}

// A field as a whole number, as the settings dialog reads it; nullopt when it is not one.
std::optional<long> number(const std::string& text)
{
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos)
        return std::nullopt;
    char* end = nullptr;
    long v = std::strtol(text.c_str() + b, &end, 10);
    while (*end == ' ')
        ++end;
    if (*end != '\0' || end == text.c_str() + b)
        return std::nullopt;
    return v;
}

} // namespace

frmComSet::frmComSet(AppState& state, Messenger& messages, CommandChannel& channel, QWidget* parent)
    : QDialog(parent), state_(state), messages_(messages), channel_(channel)
{
    setObjectName(QStringLiteral("frmComSet"));
    setWindowTitle(QStringLiteral("frmComSet"));
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("fraImage"));
    QStringList ports;
    for (int i = 1; i <= 16; ++i)
        ports << QString::number(i);
    cmbCOM_ = list("CmbCOM", ports, true, frame);
    cmbReate_ = list("CmbReate", {"9600", "19200", "38400", "57600", "115200"}, true, frame);
    cmbParity_ = list("CmbParity", {"None", "Odd", "Even"}, false, frame);
    cmbDatLen_ = list("CmbDatLen", {"7", "8"}, true, frame);
    cmbStpBit_ = list("CmbStpBit", {"1", "2"}, true, frame);
    cmbDeli_ = list("CmbDeli", {"CR", "LF", "CR+LF"}, false, frame);
    auto* grid = new QGridLayout(frame);
    QComboBox* lists[] = {cmbCOM_, cmbReate_, cmbParity_, cmbDatLen_, cmbStpBit_, cmbDeli_};
    for (int i = 0; i < 6; ++i) {
        auto* caption = new QLabel(QStringLiteral("lblItem"), frame);
        caption->setObjectName(QStringLiteral("lblItem"));
        setControlIndex(caption, i);
        grid->addWidget(caption, i, 0);
        grid->addWidget(lists[i], i, 1);
    }
    // Which device the chosen number stands for on this machine.
    auto* device = new QLabel(frame);
    device->setObjectName(QStringLiteral("lblDevice"));
    grid->addWidget(device, 0, 2);
    connect(cmbCOM_, &QComboBox::currentIndexChanged, device, [device](int index) {
        std::string name = index >= 0 ? fncComDeviceName(index + 1) : std::string();
        device->setText(name.empty() ? QStringLiteral("-") : QString::fromStdString(name));
    });
    auto* ok = new QPushButton(QStringLiteral("cmdOK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("cmdCancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(frame, 0, 0, 1, 2);
    layout->addWidget(ok, 1, 0);
    layout->addWidget(cancel, 1, 1);
    connect(ok, &QPushButton::clicked, this, &frmComSet::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QComboBox* box : lists)
        box->setCurrentIndex(-1);
}

bool frmComSet::Form_Load()
{
    fncApplyLabels(this, state_);
    if (showSettings())
        return true;
    messages_.fncIniErrorMessage("The serial settings cannot be shown.");
    return false;
}

bool frmComSet::showSettings()
{
    if (state_.gComPort < 1 || state_.gComPort > 16)
        return false;
    cmbCOM_->setCurrentIndex(state_.gComPort - 1);

    auto split = splitComSettings(state_.gComSettings);
    if (!split)
        return false;
    const auto& fields = *split;

    auto baud = number(fields[0]);
    if (!baud)
        return false;
    cmbReate_->setCurrentIndex(*baud == 9600 ? 0 : *baud == 19200 ? 1 : *baud == 57600 ? 3 : *baud == 115200 ? 4 : 2);
    cmbParity_->setCurrentIndex(fields[1] == "N" ? 0 : fields[1] == "E" ? 2 : 1);
    auto data = number(fields[2]);
    if (!data)
        return false;
    cmbDatLen_->setCurrentIndex(*data == 7 ? 0 : 1);
    auto stop = number(fields[3]);
    if (!stop)
        return false;
    cmbStpBit_->setCurrentIndex(*stop == 1 ? 0 : 1);
    cmbDeli_->setCurrentIndex(state_.gComDelimiter == kCR ? 0 : state_.gComDelimiter == kLF ? 1 : 2);
    return true;
}

void frmComSet::cmdOK_Click()
{
    // After a failed load a list may have no selection: it counts as the default entry
    // (COM1, 38400, N, 8, 1, CR) rather than writing a broken settings string.
    auto chosen = [](QComboBox* box, int fallback) {
        return box->currentIndex() >= 0 ? box->currentIndex() : fallback;
    };
    state_.gComPort = int16_t(chosen(cmbCOM_, 0) + 1);
    static const char* const parity[] = {"N,", "O,", "E,"};
    state_.gComSettings = std::to_string(cmbReate_->itemData(chosen(cmbReate_, 2)).toInt()) + ","
                        + parity[chosen(cmbParity_, 0)]
                        + std::to_string(cmbDatLen_->itemData(chosen(cmbDatLen_, 1)).toInt()) + ","
                        + std::to_string(cmbStpBit_->itemData(chosen(cmbStpBit_, 0)).toInt());
    int deli = chosen(cmbDeli_, 0);
    state_.gComDelimiter = kTerminators[deli];
    state_.gLanDelimiter = kTerminators[deli];
    state_.gLanDelimiterIndex = int16_t(deli);
    fncSaveComSettings(state_, messages_);

    // The LAN link stays; a serial port or none is opened again with the new settings.
    if (!channel_.session().reopenSerial())
        messages_.fncShowMessage("Message", 21);
    accept();
}
