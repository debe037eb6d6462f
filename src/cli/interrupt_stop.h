#pragma once
// Ctrl+C (SIGINT) during a plnctl run is a stop request: the handler only writes a byte into a
// socket pair; the event loop, which runs inside every wait of a transfer, turns it into
// gStopRequest = -1, so the transfer ends with its stop sequence as with the Stop button.
// A second Ctrl+C ends the process at once (for a wait that runs no events).

#include "app/app_state.h"

#include <QObject>

class QSocketNotifier;

class InterruptStop : public QObject {
    Q_OBJECT
public:
    explicit InterruptStop(AppState& state);
    ~InterruptStop() override;

    // True once Ctrl+C was pressed: the command stops after the running operation.
    bool interrupted() const { return interrupted_; }

private:
    void readSignal();

    AppState& state_;
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    bool interrupted_ = false;
};
