#pragma once
// A `Status` box of a window as the link code's StatusLog: lines go in at the insertion
// point, each after the time of day, and the `cmdConnect` button beside it is the one
// enableConnect() means.

#include "link/clock.h"
#include "link/status_log.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

class WidgetStatusLog : public StatusLog {
public:
    // box: a QPlainTextEdit or QTextEdit; connect may be null. The clock gives the time that
    // starts each line (none without one).
    WidgetStatusLog(QWidget* box, QAbstractButton* connect, Clock* clock = nullptr)
        : box_(box), connect_(connect), clock_(clock) {}
    void appendLine(const std::string& line) override;
    void enableConnect() override;

private:
    QPointer<QWidget> box_;
    QPointer<QAbstractButton> connect_;
    Clock* clock_;
};

// Inserts text + line break at the box's insertion point. The CR+LF that ends each log line
// is one line break in the box.
void insertStatusLine(QWidget* box, const QString& line);
