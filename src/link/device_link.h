#pragma once
// Everything the link needs for one AppState: clock, waiter, serial port, socket, the socket
// layer, the command channel and the link's owner (LinkSession). The windows, plnctl and the tests build the same thing.

#include "app/link_settings.h"
#include "app/messages.h"
#include "link/clock.h"
#include "link/command_channel.h"
#include "link/controller_commands.h"
#include "link/link_session.h"
#include "link/serial_port.h"
#include "link/socket_layer.h"
#include "link/status_log.h"
#include "link/tcp_socket.h"

#include <memory>

struct AppState;

class DeviceLink {
public:
    // The real link: steady clock, Qt event-loop waits, QSerialPort, QTcpSocket.
    DeviceLink(AppState& state, Messenger& messages);
    // A link over given parts (tests pass fakes).
    DeviceLink(AppState& state, Messenger& messages, std::unique_ptr<Clock> clock, std::unique_ptr<Waiter> waiter,
               std::unique_ptr<SerialPort> port, std::unique_ptr<TcpSocket> socket);
    ~DeviceLink();

    // The main window's status box and frmLanSet's (either may be null).
    void setStatusLogs(StatusLog* mainWindow, StatusLog* lanSettings);

    AppState& state() { return state_; }
    Messenger& messages() { return messages_; }
    Clock& clock() { return *clock_; }
    Waiter& waiter() { return *waiter_; }
    SerialPort& port() { return *port_; }
    TcpSocket& socket() { return *socket_; }
    SocketLayer& sockets() { return *sockets_; }
    CommandChannel& channel() { return *channel_; }

    std::string fncSendCommand(const std::string& command) { return channel_->fncSendCommand(command); }
    // The controller's commands on this link.
    ControllerCommands& commands() { return *commands_; }

    // Makes, ends and loses the link; the views of the link subscribe to its notifier.
    LinkSession& session() { return *session_; }
    LinkNotifier& notifier() { return session_->notifier(); }
    bool lanConnecting() const { return session_->lanConnecting(); }

private:
    // The session and the channel, each knowing the other.
    void makeChannel();

    AppState& state_;
    Messenger& messages_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<Waiter> waiter_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<TcpSocket> socket_;
    std::unique_ptr<SocketLayer> sockets_;
    std::unique_ptr<LinkSession> session_;
    std::unique_ptr<CommandChannel> channel_;
    std::unique_ptr<ControllerCommands> commands_;
};
