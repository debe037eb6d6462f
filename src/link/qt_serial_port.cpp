#include "link/qt_serial_port.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

QtSerialPort::QtSerialPort(std::unique_ptr<SerialLatencyDriver> latency)
    : latencyDriver_(latency ? std::move(latency) : std::make_unique<SystemSerialLatencyDriver>())
{
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::inputArrived);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    lastError_ = port_.errorString().toStdString();
    // A device that went away reports itself as a resource or read failure; either way the
    // port is dead and waiting on it would only spin.
    if (port_.isOpen() && (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)) {
        lost_ = true;
        // A dead device stays readable for ever: left open, its notifier would keep the
        // event loop busy. Closed once this notification has been handled.
        QMetaObject::invokeMethod(this, [this] { if (lost_) closePort(); }, Qt::QueuedConnection);
    }
}

bool QtSerialPort::open(const SerialConfig& config, std::string* reason)
{
    close();
    config_ = config;
    lost_ = false;
    port_.setPortName(QString::fromStdString(config.device));
    port_.setBaudRate(config.baud);
    port_.setParity(config.parity == 'O'   ? QSerialPort::OddParity
                    : config.parity == 'E' ? QSerialPort::EvenParity
                    : config.parity == 'M' ? QSerialPort::MarkParity
                    : config.parity == 'S' ? QSerialPort::SpaceParity
                                           : QSerialPort::NoParity);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(config.dataBits));
    port_.setStopBits(config.stopBits == 2     ? QSerialPort::TwoStop
                      : config.stopBits == 1.5 ? QSerialPort::OneAndHalfStop
                                               : QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    refusal_ = PortRefusal::Other;
    if (!port_.open(QIODevice::ReadWrite)) {
        lastError_ = port_.errorString().toStdString();
        if (port_.error() == QSerialPort::PermissionError) {
            // Qt says "permission" also when another program holds the port (its lock file,
            // or the exclusive mode of the terminal): a device this user may read and write is
            // in use, not forbidden.
#ifdef Q_OS_UNIX
            const bool mayUse = ::access(config.device.c_str(), R_OK | W_OK) == 0;
#else
            const bool mayUse = false;
#endif
            refusal_ = mayUse ? PortRefusal::InUse : PortRefusal::Permission;
            // The text may be translated; keep the system's words for the log.
            if (!mayUse && !port_.errorString().contains(QLatin1String("ermission")))
                lastError_ += " (Permission denied)";
        }
        if (reason)
            *reason = lastError_;
        port_.clearError();
        return false;
    }
#ifdef Q_OS_UNIX
    // Qt's lock file goes by the name the port was opened under, and the terminal's exclusive
    // mode does not hold for root: a lock on the device itself stops a second opener under
    // any name (a /dev/serial/by-id link, PLNTOOL_COM1 pointing at the same terminal).
    if (::flock(int(port_.handle()), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        lastError_ = std::strerror(EBUSY);
        refusal_ = PortRefusal::InUse;
        port_.close();
        port_.clearError();
        if (reason)
            *reason = lastError_;
        return false;
    }
#endif
    // A pseudo-terminal has no modem lines and refuses these; that is not a failure.
    port_.setDataTerminalReady(true);
    port_.setRequestToSend(true);
    port_.clear(QSerialPort::Input);
    port_.readAll();
    port_.clearError();
    lost_ = false;
    // Binary mode is a transfer: each block and each ACK should not wait for the adapter's
    // latency timer.
    if (config.binary)
        lowLatency_.emplace(*latencyDriver_, int(port_.handle()));
    return true;
}

void QtSerialPort::closePort()
{
    lowLatency_.reset();
    if (port_.isOpen())
        port_.close();
}

void QtSerialPort::close()
{
    closePort();
    port_.clearError();
    lost_ = false;
}

bool QtSerialPort::write(const std::string& bytes)
{
    if (!port_.isOpen() || lost_)
        return false;
    if (port_.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        return false;
    port_.flush();
    return true;
}

std::string QtSerialPort::readAll()
{
    if (!port_.isOpen())
        return {};
    QByteArray data = port_.readAll();
    return std::string(data.constData(), size_t(data.size()));
}

std::string QtSerialPort::read(int64_t maxBytes)
{
    if (!port_.isOpen() || maxBytes <= 0)
        return {};
    QByteArray data = port_.read(maxBytes);
    return std::string(data.constData(), size_t(data.size()));
}

int64_t QtSerialPort::bytesAvailable()
{
    return port_.isOpen() ? port_.bytesAvailable() : 0;
}

void QtSerialPort::clearInput()
{
    if (!port_.isOpen())
        return;
    port_.clear(QSerialPort::Input);
    port_.readAll();
}

void QtSerialPort::waitForInput(int ms)
{
    if (!port_.isOpen() || lost_ || ms <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    if (port_.waitForReadyRead(ms))
        return;
    if (port_.error() == QSerialPort::ResourceError || port_.error() == QSerialPort::ReadError)
        lost_ = true;
    else
        port_.clearError();
    // Never return early without a reason: the caller would come straight back and spin.
    qint64 left = ms - timer.elapsed();
    if (!lost_ && left > 0 && port_.bytesAvailable() == 0)
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 20)));
}
