#pragma once
// Which device a serial port number (1..16) stands for.

#include <string>
#include <vector>

struct SerialDeviceInfo {
    std::string systemLocation; // /dev/ttyUSB0
    std::string stableName;     // /dev/serial/by-id/... when there is one, else the location
    bool usb = false;           // USB or ACM adapter
};

// The ports in numbering order: USB and ACM adapters first, sorted by their stable name,
// then the on-board ports sorted by location.
std::vector<SerialDeviceInfo> orderSerialDevices(std::vector<SerialDeviceInfo> devices);

// The device of port n: $PLNTOOL_COM<n> when set (any path), else the n-th port the system
// reports in the order above; "" when there is none.
std::string fncComDeviceName(int port);
