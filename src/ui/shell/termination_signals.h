#pragma once
// SIGTERM, SIGHUP and SIGINT (the session ending, the terminal closing, Ctrl+C) are close
// requests: the handler only writes a byte into a socket pair, and the event loop turns it
// into closeRequested(), so the exit routine runs as an ordinary window event.

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Installs the handlers. Call once, before the start-up work, so that a request that comes
    // early is held until the event loop runs. False when the socket pair cannot be made.
    bool install();

signals:
    void closeRequested(int signalNumber);

private:
    void readSignal();

    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};
