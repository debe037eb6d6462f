#include "link/device_link.h"

#include "link/qt_serial_port.h"
#include "link/qt_tcp_socket.h"
#include "link/qt_waiter.h"
#include "link/steady_clock.h"

namespace {

struct RealParts {
    std::unique_ptr<Clock> clock = std::make_unique<SteadyClock>();
    std::unique_ptr<QtWaiter> waiter = std::make_unique<QtWaiter>(*clock);
    std::unique_ptr<QtSerialPort> port = std::make_unique<QtSerialPort>();
    std::unique_ptr<QtTcpSocket> socket = std::make_unique<QtTcpSocket>();
    RealParts()
    {
        QObject::connect(socket.get(), &QtTcpSocket::changed, waiter.get(), &QtWaiter::wake);
        QObject::connect(port.get(), &QtSerialPort::inputArrived, waiter.get(), &QtWaiter::wake);
    }
};

} // namespace

DeviceLink::DeviceLink(AppState& state, Messenger& messages)
    : state_(state), messages_(messages)
{
    RealParts parts;
    clock_ = std::move(parts.clock);
    waiter_ = std::move(parts.waiter);
    port_ = std::move(parts.port);
    socket_ = std::move(parts.socket);
    sockets_ = std::make_unique<SocketLayer>(state_, *clock_, *waiter_, *socket_);
    makeChannel();
}

DeviceLink::DeviceLink(AppState& state, Messenger& messages, std::unique_ptr<Clock> clock,
                       std::unique_ptr<Waiter> waiter, std::unique_ptr<SerialPort> port,
                       std::unique_ptr<TcpSocket> socket)
    : state_(state), messages_(messages), clock_(std::move(clock)), waiter_(std::move(waiter)),
      port_(std::move(port)), socket_(std::move(socket))
{
    sockets_ = std::make_unique<SocketLayer>(state_, *clock_, *waiter_, *socket_);
    makeChannel();
}

DeviceLink::~DeviceLink()
{
    // The socket and port go before the waiter their signals are connected to.
    commands_.reset();
    channel_.reset();
    session_.reset();
    sockets_.reset();
    socket_.reset();
    port_.reset();
    waiter_.reset();
}

void DeviceLink::makeChannel()
{
    session_ = std::make_unique<LinkSession>(state_, *clock_, *sockets_);
    channel_ = std::make_unique<CommandChannel>(state_, messages_, *clock_, *port_, *sockets_, *session_);
    session_->setChannel(*channel_);
    commands_ = std::make_unique<ControllerCommands>(*channel_);
}

void DeviceLink::setStatusLogs(StatusLog* mainWindow, StatusLog* lanSettings)
{
    channel_->setStatusLog(mainWindow);
    sockets_->setStatusLogs(mainWindow, lanSettings);
}
