#include "link/port_names.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstdlib>
#include <map>

std::vector<SerialDeviceInfo> orderSerialDevices(std::vector<SerialDeviceInfo> devices)
{
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDeviceInfo& a, const SerialDeviceInfo& b) {
        if (a.usb != b.usb)
            return a.usb;
        return a.usb ? a.stableName < b.stableName : a.systemLocation < b.systemLocation;
    });
    return devices;
}

namespace {

// /dev/serial/by-id names the adapters by vendor, model and serial number, so the numbering
// stays the same whichever order they were plugged in.
std::map<std::string, std::string> stableNamesByTarget()
{
    std::map<std::string, std::string> names;
    QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        names[link.canonicalFilePath().toStdString()] = link.absoluteFilePath().toStdString();
    return names;
}

} // namespace

std::string fncComDeviceName(int port)
{
    if (port < 1 || port > 16)
        return {};
    std::string var = "PLNTOOL_COM" + std::to_string(port);
    if (const char* path = std::getenv(var.c_str()); path && *path)
        return path;
#ifdef Q_OS_WIN
    return "COM" + std::to_string(port);
#else
    auto stable = stableNamesByTarget();
    std::vector<SerialDeviceInfo> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo d;
        d.systemLocation = info.systemLocation().toStdString();
        auto it = stable.find(d.systemLocation);
        d.stableName = it != stable.end() ? it->second : d.systemLocation;
        d.usb = info.portName().startsWith(QLatin1String("ttyUSB")) || info.portName().startsWith(QLatin1String("ttyACM"))
             || it != stable.end();
        found.push_back(d);
    }
    found = orderSerialDevices(std::move(found));
    if (size_t(port) > found.size())
        return {};
    return found[size_t(port) - 1].systemLocation;
#endif
}
