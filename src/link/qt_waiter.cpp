#include "qt_waiter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {
// A wait that lets the Stop button run wakes this often to let its caller see gStopRequest.
constexpr int64_t kStopCheckMs = 50;
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
    current_ = &loop;
    loop.exec(flags);
    current_ = outer;
}

void QtWaiter::wake()
{
    if (current_)
        current_->quit();
}
