#pragma once
// The real Waiter: sleeps in a QEventLoop until a timer at the deadline or wake() (connected to
// the socket's readyRead and state changes) ends it, so a wait costs no processor time.

#include "link/clock.h"

#include <QObject>

class QEventLoop;

class QtWaiter : public QObject, public Waiter {
    Q_OBJECT
public:
    explicit QtWaiter(Clock& clock) : clock_(clock) {}
    void waitUntil(int64_t deadlineMs, Pump pump) override;

public slots:
    // Ends the wait in progress: something the waiting code looks at may have changed.
    void wake() override;

protected:
    // While a wait runs every window event, any event it handles (the Stop click, Ctrl-C's
    // notifier, a timer) may have set gStopRequest: the wait ends so its caller looks.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Clock& clock_;
    QEventLoop* current_ = nullptr;
    QObject* currentTimer_ = nullptr;
    int watching_ = 0;  // nesting depth of the waits that watch every event
};
