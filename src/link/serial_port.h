#pragma once
// The serial port as the link code uses it: open with a line configuration, write, read what
// has arrived, wait for more. The real one wraps QSerialPort; tests use an in-memory fake.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct SerialConfig {
    std::string device;  // system path of the port, e.g. /dev/ttyUSB0 or a pseudo-terminal
    int baud = 38400;
    char parity = 'N';   // N, O, E, M (mark), S (space)
    int dataBits = 8;    // 5..8
    double stopBits = 1; // 1, 1.5 or 2
    bool binary = false; // text mode for commands, binary mode for XMODEM
};

// The four fields of a settings string (baud, parity, data bits, stop bits); the last is all
// that follows the third comma. nullopt when there are fewer than three commas.
std::optional<std::array<std::string, 4>> splitComSettings(const std::string& settings);

// Parses "38400,N,8,1" into the line fields of a configuration; nullopt (and the problem,
// naming the field, when asked for) when the port could not be set that way.
std::optional<SerialConfig> parseComSettings(const std::string& settings, std::string* problem = nullptr);

// Why a port did not open, as far as the user can act on it.
enum class PortRefusal {
    Other,       // the system's reason says it all (no such device, bad settings ...)
    InUse,       // another program holds the port
    Permission,  // the user may not open the device
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual bool isOpen() const = 0;
    // Opens with no handshaking, DTR and RTS asserted and the input emptied. On failure
    // returns false and puts the system's reason into *reason.
    virtual bool open(const SerialConfig& config, std::string* reason) = 0;
    virtual void close() = 0;
    virtual const SerialConfig& config() const = 0;
    // Writes all bytes; false when the port refused them.
    virtual bool write(const std::string& bytes) = 0;
    // Everything that has arrived, removed from the input.
    virtual std::string readAll() = 0;
    // At most maxBytes of what has arrived (an XMODEM block is taken whole, nothing more).
    virtual std::string read(int64_t maxBytes) = 0;
    virtual int64_t bytesAvailable() = 0;
    virtual void clearInput() = 0;
    // Blocks without running window events until input arrives or ms pass.
    virtual void waitForInput(int ms) = 0;
    // True once the device went away under an open port (adapter pulled out, peer closed);
    // the port may then report itself closed. Cleared by close() and open().
    virtual bool deviceLost() const = 0;
    // The system's reason for the last failure, for the status box.
    virtual std::string lastError() const = 0;
    // What kind of refusal the last failed open() was.
    virtual PortRefusal lastRefusal() const { return PortRefusal::Other; }
};
