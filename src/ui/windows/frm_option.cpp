#include "ui/windows/frm_option.h"

#include "ui/shell/app_icon.h"
#include "ui/qt/control_index.h"
#include "ui/qt/window_labels.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmOption::frmOption(AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("frmOption"));
    setWindowIcon(appIcon());

    auto* layout = new QVBoxLayout(this);
    auto* fraImage = new QGroupBox(QStringLiteral("fraImage"));
    fraImage->setObjectName(QStringLiteral("fraImage"));
    auto* optionLayout = new QVBoxLayout(fraImage);
    QRadioButton* options[2];
    for (int i = 0; i < 2; ++i) {
        options[i] = new QRadioButton(QStringLiteral("optImage(%1)").arg(i));
        options[i]->setObjectName(QStringLiteral("optImage"));
        setControlIndex(options[i], i);
        optionLayout->addWidget(options[i]);
    }
    layout->addWidget(fraImage);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("cmdOK"));
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("cmdCancel"));
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);

    fncApplyLabels(this, state_);
    // Reopening the dialog shows the choice made last time rather than always the first one.
    options[state_.gImageOption == 1 ? 1 : 0]->setChecked(true);

    connect(ok, &QPushButton::clicked, this, &frmOption::onOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmOption::onOK() {
    for (QObject* control : windowControls(this)) {
        auto* option = qobject_cast<QRadioButton*>(control);
        if (option && option->objectName() == QLatin1String("optImage") && option->isChecked()) {
            state_.gImageOption = controlIndex(option);
        }
    }
    accept();
}
