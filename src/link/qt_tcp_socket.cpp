#include "link/qt_tcp_socket.h"

#include "link/link_error.h"

QtTcpSocket::QtTcpSocket()
{
    connect(&socket_, &QTcpSocket::readyRead, this, &QtTcpSocket::changed);
    connect(&socket_, &QTcpSocket::stateChanged, this, &QtTcpSocket::changed);
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        endState_ = error == QAbstractSocket::RemoteHostClosedError ? kSockClosing : kSockError;
        errorReason_ = socket_.errorString().toStdString();
        emit changed();
    });
}

int QtTcpSocket::state() const
{
    if (endState_ >= 0 && socket_.state() != QAbstractSocket::ConnectedState)
        return endState_;
    switch (socket_.state()) {
    case QAbstractSocket::UnconnectedState: return kSockClosed;
    case QAbstractSocket::HostLookupState: return kSockResolvingHost;
    case QAbstractSocket::ConnectingState: return kSockConnecting;
    case QAbstractSocket::ConnectedState: return kSockConnected;
    case QAbstractSocket::BoundState: return kSockOpen;
    case QAbstractSocket::ListeningState: return kSockListening;
    case QAbstractSocket::ClosingState: return kSockClosing;
    }
    return kSockError;
}

void QtTcpSocket::setRemote(const std::string& host, uint16_t port)
{
    host_ = host;
    port_ = port;
}

void QtTcpSocket::connectToRemote()
{
    socket_.abort();
    endState_ = -1;
    errorReason_.clear();
    if (host_.empty() || port_ == 0) {
        endState_ = kSockError;
        errorReason_ = host_.empty() ? "no address" : "no port";
        return;
    }
    socket_.connectToHost(QString::fromStdString(host_), port_);
}

void QtTcpSocket::close()
{
    socket_.abort();
    endState_ = -1;
    errorReason_.clear();
}

int64_t QtTcpSocket::bytesAvailable()
{
    return socket_.bytesAvailable();
}

void QtTcpSocket::send(const std::string& bytes)
{
    if (state() != kSockConnected)
        throw LinkError(kErrLinkFailure, "Wrong protocol or connection state for the requested transaction or request",
                        "Winsock1");
    if (socket_.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        throw LinkError(kErrLinkFailure, socket_.errorString().toStdString(), "Winsock1");
    socket_.flush();
}

std::string QtTcpSocket::readAll()
{
    QByteArray data = socket_.readAll();
    return std::string(data.constData(), size_t(data.size()));
}

int QtTcpSocket::readByte()
{
    char c = 0;
    if (!socket_.getChar(&c))
        return -1;
    return static_cast<unsigned char>(c);
}
