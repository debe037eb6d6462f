#pragma once
// TcpSocket over QTcpSocket, with Qt's states mapped to the 0..9 numbering.

#include "link/tcp_socket.h"

#include <QObject>
#include <QTcpSocket>

class QtTcpSocket : public QObject, public TcpSocket {
    Q_OBJECT
public:
    QtTcpSocket();
    int state() const override;
    void setRemote(const std::string& host, uint16_t port) override;
    std::string remoteHost() const override { return host_; }
    uint16_t remotePort() const override { return port_; }
    void connectToRemote() override;
    void close() override;
    int64_t bytesAvailable() override;
    void send(const std::string& bytes) override;
    std::string readAll() override;
    int readByte() override;
    std::string errorReason() const override { return errorReason_; }

signals:
    // Data arrived or the state moved: a waiting exchange should look again.
    void changed();

private:
    QTcpSocket socket_;
    std::string host_;
    uint16_t port_ = 0;
    std::string errorReason_;
    int endState_ = -1; // 8 after the peer closed, 9 after a failure; -1 while Qt's state counts
};
