#pragma once
// The controller's command set, written once: every command word the tool sends, and the
// reply each caller waits for. The operations, the windows and plnctl all send through here;
// the command channel reports no link, no reply and "ER" itself.

#include "app/op_result.h"

#include <cstdint>
#include <string>

class CommandChannel;

// What a data transfer command works on: a bank, a bank group (numbered 0..31) or the
// system data.
enum class ControllerDataKind { Bank, BankGroup, System };

// The four ways the measurement button is used.
enum class MeasureCommand { Once, Inspect, StartContinuous, StopContinuous };

class ControllerCommands {
public:
    explicit ControllerCommands(CommandChannel& channel) : channel_(channel) {}

    // The command lines, without the line delimiter (plnctl names what it sent, the serial
    // probe writes one on a port of its own).
    static std::string captureLine();
    static std::string bankSelectLine(int bank);
    static std::string bankGroupSelectLine(int group);
    static std::string imageSaveLine(int imageNumber);
    static std::string imageInfoLine(int index);
    static std::string imageLoadLine();
    static std::string dataSaveLine(ControllerDataKind data, int number);
    static std::string dataLoadLine(ControllerDataKind data, int number);
    static std::string measureLine(MeasureCommand command);
    static std::string judgementLine();
    static std::string resultValueLine();

    // True when the controller answered "OK".
    bool capture();
    bool selectBank(int bank);
    bool selectBankGroup(int group);
    // True when the controller answered "READY" and now sends the image (0..99, -1 live).
    bool announceImageSave(int imageNumber);
    // The reply to header query `index` (0..3), "" or "ER" when it failed.
    std::string imageInfo(int index);
    // True when the controller answered "OK" and now waits for the image.
    bool announceImageLoad();
    // True when the controller answered "READY" and sends (save) or waits for (load) the file.
    bool announceDataSave(ControllerDataKind data, int number);
    bool announceDataLoad(ControllerDataKind data, int number);
    // The reply; only the start of a continuous measurement is examined by its callers.
    std::string measure(MeasureCommand command);
    // The judgement of the latest measurement ("-2", "-1", "0", anything else is none) and
    // its measured value, as text.
    std::string judgement();
    std::string resultValue();

    // A line the user typed, sent as it is; the reply.
    std::string send(const std::string& line);

    // The reply to the last command sent here, as it came ("" after no link or no reply).
    const std::string& lastReply() const { return lastReply_; }
    // Why the last command failed: reported when the channel told the user (no link, no reply,
    // "ER"), otherwise not yet, with the reason ("the controller answered NG").
    OpResult lastFailure() const;

private:

    CommandChannel& channel_;
    std::string lastReply_;
};
