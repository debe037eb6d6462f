#include "link/qt_waiter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
// A wait that lets the Stop button run ends after every event it handles; this is only the
// longest it sleeps without one.
constexpr int64_t kStopCheckMs = 250;
}

void QtWaiter::waitUntil(int64_t deadlineMs, Pump pump)
{
    int64_t left = deadlineMs - clock_.nowMs();
    if (pump == Pump::None) {
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(left));
        return;
    }
    QEventLoop::ProcessEventsFlags flags = pump == Pump::NonInput ? QEventLoop::ExcludeUserInputEvents
                                                                  : QEventLoop::AllEvents;
    if (left <= 0 || !QCoreApplication::instance()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(flags);
        else if (left > 0)
            QThread::msleep(static_cast<unsigned long>(left));
        return;
    }
    if (pump == Pump::All)
        left = std::min(left, kStopCheckMs);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(int(left));
    QEventLoop* outer = current_;
    QObject* outerTimer = currentTimer_;
    current_ = &loop;
    currentTimer_ = &timer;
    if (pump == Pump::All && watching_++ == 0)
        QCoreApplication::instance()->installEventFilter(this);
    loop.exec(flags);
    if (pump == Pump::All && --watching_ == 0)
        QCoreApplication::instance()->removeEventFilter(this);
    current_ = outer;
    currentTimer_ = outerTimer;
}

bool QtWaiter::eventFilter(QObject* watched, QEvent*)
{
    if (current_ && watched != currentTimer_ && watched != current_)
        current_->quit();
    return false;
}

void QtWaiter::wake()
{
    if (current_)
        current_->quit();
}
