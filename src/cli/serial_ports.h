#pragma once
// The serial ports as plnctl ports shows them: the COM number PLNTOOL gives each, the device,
// its /dev/serial/by-id name, and whether another program holds it.

#include <string>
#include <vector>

struct PortEntry {
    int com = 0;
    std::string device;
    std::string byId;      // "" when the device has no /dev/serial/by-id name
    enum class Use { Free, InUse, NotAllowed, Missing } use = Use::Free;
    std::string reason;    // why it is not free
};

// COM1 to COM16, those that stand for a device.
std::vector<PortEntry> listSerialPorts();

// "free", "in use", "not allowed", "missing" (the JSON words).
const char* useWord(PortEntry::Use use);
