#pragma once
// SerialPort over QSerialPort.

#include "link/serial_latency.h"
#include "link/serial_port.h"

#include <QObject>
#include <QSerialPort>

#include <memory>
#include <optional>

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    // The driver of the low-latency requests; the system's when none is given.
    explicit QtSerialPort(std::unique_ptr<SerialLatencyDriver> latency = nullptr);
    bool isOpen() const override { return port_.isOpen(); }
    bool open(const SerialConfig& config, std::string* reason) override;
    void close() override;
    const SerialConfig& config() const override { return config_; }
    bool write(const std::string& bytes) override;
    std::string readAll() override;
    std::string read(int64_t maxBytes) override;
    int64_t bytesAvailable() override;
    void clearInput() override;
    void waitForInput(int ms) override;
    bool deviceLost() const override { return lost_; }
    std::string lastError() const override { return lastError_; }
    PortRefusal lastRefusal() const override { return refusal_; }

    QSerialPort& qport() { return port_; }

signals:
    void inputArrived();

private:
    void onError(QSerialPort::SerialPortError error);
    void closePort();

    QSerialPort port_;
    std::unique_ptr<SerialLatencyDriver> latencyDriver_;
    // Held while the port is open in binary mode, i.e. during a transfer; ends before the
    // port closes, so the driver's setting is given back on every way out.
    std::optional<LowLatencyScope> lowLatency_;
    SerialConfig config_;
    bool lost_ = false;
    std::string lastError_;
    PortRefusal refusal_ = PortRefusal::Other;
};
