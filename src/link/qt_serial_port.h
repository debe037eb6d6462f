#pragma once
// SerialPort over QSerialPort.

#include "serial_port.h"

#include <QObject>
#include <QSerialPort>

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    QtSerialPort();
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

    QSerialPort port_;
    SerialConfig config_;
    bool lost_ = false;
    std::string lastError_;
    PortRefusal refusal_ = PortRefusal::Other;
};
