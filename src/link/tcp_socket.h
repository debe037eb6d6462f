#pragma once
// The TCP client socket of the LAN link, with the states numbered as the status texts show
// them. The real one wraps QTcpSocket; tests use an in-memory fake with a scripted peer.

#include <cstdint>
#include <string>

enum SockState : int {
    kSockClosed = 0, kSockOpen = 1, kSockListening = 2, kSockConnectionPending = 3,
    kSockResolvingHost = 4, kSockHostResolved = 5, kSockConnecting = 6, kSockConnected = 7,
    kSockClosing = 8, kSockError = 9,
};

class TcpSocket {
public:
    virtual ~TcpSocket() = default;
    virtual int state() const = 0;
    virtual void setRemote(const std::string& host, uint16_t port) = 0;
    virtual std::string remoteHost() const = 0;
    virtual uint16_t remotePort() const = 0;
    // Starts connecting to the remote host and port; the state moves on as it goes.
    virtual void connectToRemote() = 0;
    // Closes at once; the state becomes 0.
    virtual void close() = 0;
    // Count of received bytes not read yet.
    virtual int64_t bytesAvailable() = 0;
    // Sends the bytes; throws LinkError when the socket is not connected.
    virtual void send(const std::string& bytes) = 0;
    virtual std::string readAll() = 0;
    // One received byte, or -1 when none is pending.
    virtual int readByte() = 0;
    // Why the last connect or the connection failed ("Connection refused", "Host not found"),
    // in the words of the socket; "" while nothing failed.
    virtual std::string errorReason() const = 0;
};
