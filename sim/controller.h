#pragma once
// The simulated controller: the command words it understands and its state (active bank and
// bank group, measurements that move on with time, continuous measurement).

#include <cstdint>
#include <string>

enum class Transfer { None, ToTool, FromTool };

struct ControllerReply {
    std::string text;              // the reply line without its terminator
    Transfer transfer = Transfer::None;
    std::string what;              // for a transfer: "IMG", "BNK", "BGR", "SYS"
    int number = 0;                // image, bank or bank group number of the transfer
};

class Controller {
public:
    // Answers one command line (terminator removed). nowMs drives the continuous measurement.
    ControllerReply handle(const std::string& line, int64_t nowMs);

    int bank() const { return bank_; }
    int bankGroup() const { return bankGroup_; }
    bool continuous() const { return continuous_; }
    long measurements(int64_t nowMs) const;

private:
    int bank_ = 0;
    int bankGroup_ = 0;
    bool continuous_ = false;
    int64_t continuousSince_ = 0;
    long counted_ = 0;  // single measurements plus those of ended continuous runs
};
