#include "ui/qt/message_box_prompter.h"

#include "ui/shell/app_icon.h"
#include "app/app_state.h"

#include <QAbstractButton>
#include <QApplication>
#include <QString>

BoxLayout boxLayout(int style) {
    using SB = QMessageBox::StandardButton;
    BoxLayout layout;
    switch (style & 0x0F) {
    case 1: layout.buttons = {SB::Ok, SB::Cancel}; break;
    case 2: layout.buttons = {SB::Abort, SB::Retry, SB::Ignore}; break;
    case 3: layout.buttons = {SB::Yes, SB::No, SB::Cancel}; break;
    case 4: layout.buttons = {SB::Yes, SB::No}; break;
    case 5: layout.buttons = {SB::Retry, SB::Cancel}; break;
    default: layout.buttons = {SB::Ok}; break;
    }
    switch (style & 0x70) {
    case 16: layout.icon = QMessageBox::Critical; break;
    case 32: layout.icon = QMessageBox::Question; break;
    case 48: layout.icon = QMessageBox::Warning; break;
    case 64: layout.icon = QMessageBox::Information; break;
    default: break;
    }
    const int wanted = (style & 0x300) >> 8;
    layout.defaultButton = wanted < layout.buttons.size() ? wanted : 0;
    return layout;
}

int answerCode(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Ok: return kAnswerOK;
    case QMessageBox::Cancel: return kAnswerCancel;
    case QMessageBox::Abort: return 3;
    case QMessageBox::Retry: return 4;
    case QMessageBox::Ignore: return 5;
    case QMessageBox::Yes: return kAnswerYes;
    case QMessageBox::No: return kAnswerNo;
    default: return kAnswerCancel;
    }
}

int MessageBoxPrompter::show(const BoxRequest& box) {
    const BoxLayout layout = boxLayout(box.style);
    QString text = QString::fromStdString(box.text);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QString title = box.title.empty() ? QString::fromLatin1(kAppTitle)
                                            : QString::fromStdString(box.title);

    QMessageBox dialog(layout.icon, title, text, QMessageBox::NoButton,
                       QApplication::activeWindow());
    dialog.setTextFormat(Qt::PlainText);
    dialog.setWindowIcon(appIcon());
    for (QMessageBox::StandardButton button : layout.buttons) {
        dialog.addButton(button);
    }
    dialog.setDefaultButton(layout.buttons.at(layout.defaultButton));
    // Escape and the close box answer Cancel, the only button, or No (Qt picks the same
    // button the callers treat as "not accepted").
    dialog.exec();
    QAbstractButton* clicked = dialog.clickedButton();
    if (!clicked) {
        return layout.buttons.contains(QMessageBox::Cancel) ? kAnswerCancel
                                                            : answerCode(layout.buttons.front());
    }
    return answerCode(dialog.standardButton(clicked));
}
