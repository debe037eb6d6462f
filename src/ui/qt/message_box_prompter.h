#pragma once
// Message boxes of the windowed program: a QMessageBox with the buttons and icon of the
// box style, answering with the codes the callers test (1 OK, 2 Cancel, 6 Yes, 7 No, ...).

#include "app/prompter.h"

#include <QMessageBox>

class QWidget;

class MessageBoxPrompter : public Prompter {
public:
    int show(const BoxRequest& box) override;
};

// The parts of a box style: the buttons (low nibble), the icon (16, 32, 48, 64) and the
// default button (256 second, 512 third).
struct BoxLayout {
    QList<QMessageBox::StandardButton> buttons; // in the order shown
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int defaultButton = 0; // position in `buttons`
};
BoxLayout boxLayout(int style);

// The answer code of a standard button: OK 1, Cancel 2, Abort 3, Retry 4, Ignore 5, Yes 6, No 7.
int answerCode(QMessageBox::StandardButton button);
