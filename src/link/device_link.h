#pragma once
// Everything the link needs for one AppState: clock, waiter, serial port, socket, the socket
// layer and the command channel. The windows, plnctl and the tests build the same thing.

#include "app/app_state.h"
#include "app/messages.h"
#include "clock.h"
#include "command_channel.h"
#include "controller_commands.h"
#include "serial_port.h"
#include "socket_layer.h"
#include "status_log.h"
#include "tcp_socket.h"

#include <memory>

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

    // Made, ended or lost: the views of the link read it afresh.
    LinkNotifier& notifier() { return channel_->notifier(); }
    void linkChanged() { channel_->notifier().notify(); }
    // Sets gLinkMode and tells the views.
    void setLinkMode(int mode)
    {
        state_.gLinkMode = int16_t(mode);
        linkChanged();
    }
    // True while a LAN connect is being watched: the views show the LAN link as on its way.
    bool lanConnecting() const { return lanConnecting_; }
    void setLanConnecting(bool on)
    {
        lanConnecting_ = on;
        linkChanged();
    }

private:
    AppState& state_;
    Messenger& messages_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<Waiter> waiter_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<TcpSocket> socket_;
    std::unique_ptr<SocketLayer> sockets_;
    std::unique_ptr<CommandChannel> channel_;
    std::unique_ptr<ControllerCommands> commands_;
    bool lanConnecting_ = false;
};
