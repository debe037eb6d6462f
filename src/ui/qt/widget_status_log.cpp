#include "ui/qt/widget_status_log.h"

#include <QAbstractButton>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

void insertStatusLine(QWidget* box, const QString& line)
{
    QTextCursor cursor;
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
        cursor = plain->textCursor();
    else if (auto* rich = qobject_cast<QTextEdit*>(box))
        cursor = rich->textCursor();
    else
        return;
    cursor.insertText(line + QLatin1Char('\n'));
    if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
        plain->setTextCursor(cursor);
    else if (auto* rich = qobject_cast<QTextEdit*>(box))
        rich->setTextCursor(cursor);
    box->repaint();
}

void WidgetStatusLog::appendLine(const std::string& line)
{
    // An engineer reading the log afterwards needs to know when the port went away.
    if (box_)
        insertStatusLine(box_, QString::fromStdString(clock_ ? clock_->timeOfDay() + " " + line : line));
}

void WidgetStatusLog::enableConnect()
{
    if (connect_)
        connect_->setEnabled(true);
}
