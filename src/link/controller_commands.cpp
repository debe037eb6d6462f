#include "link/controller_commands.h"

#include "link/command_channel.h"

namespace {

std::string numbered(const char* word, int n)
{
    return std::string(word) + std::to_string(n);
}

} // namespace

std::string ControllerCommands::captureLine()
{
    return "CAPTURE";
}

std::string ControllerCommands::bankSelectLine(int bank)
{
    return numbered("BANK ", bank);
}

std::string ControllerCommands::bankGroupSelectLine(int group)
{
    return numbered("BG ", group);
}

std::string ControllerCommands::imageSaveLine(int imageNumber)
{
    return numbered("IMGSAVE 0 ", imageNumber);
}

std::string ControllerCommands::imageInfoLine(int index)
{
    return numbered("IMGINFO 0 ", index);
}

std::string ControllerCommands::imageLoadLine()
{
    return "IMGLOAD";
}

std::string ControllerCommands::dataSaveLine(ControllerDataKind data, int number)
{
    switch (data) {
    case ControllerDataKind::Bank: return numbered("BNKSAVE 0 ", number);
    case ControllerDataKind::BankGroup: return numbered("BGRSAVE 0 ", number);
    case ControllerDataKind::System: break;
    }
    return "SYSSAVE 0";
}

std::string ControllerCommands::dataLoadLine(ControllerDataKind data, int number)
{
    switch (data) {
    case ControllerDataKind::Bank: return numbered("BNKLOAD 0 ", number);
    case ControllerDataKind::BankGroup: return numbered("BGRLOAD 0 ", number);
    case ControllerDataKind::System: break;
    }
    return "SYSLOAD 0";
}

std::string ControllerCommands::measureLine(MeasureCommand command)
{
    switch (command) {
    case MeasureCommand::Once: return "M";
    case MeasureCommand::Inspect: return "M /I";
    case MeasureCommand::StartContinuous: return "M /C";
    case MeasureCommand::StopContinuous: break;
    }
    return "M /E";
}

std::string ControllerCommands::judgementLine()
{
    return "DATAGET 2 0";
}

std::string ControllerCommands::resultValueLine()
{
    return "DATAGET 2 1";
}

std::string ControllerCommands::send(const std::string& line)
{
    lastReply_ = channel_.fncSendCommand(line);
    return lastReply_;
}

OpResult ControllerCommands::lastFailure() const
{
    if (lastReply_.empty() || lastReply_ == "ER") {
        std::string reason = lastReply_.empty() ? "no reply from the controller" : "the controller answered ER";
        return channel_.lastFailureReported() ? OpResult::reported(std::move(reason))
                                              : OpResult::unreported(std::move(reason));
    }
    return OpResult::unreported("the controller answered " + lastReply_);
}

bool ControllerCommands::capture()
{
    return send(captureLine()) == "OK";
}

bool ControllerCommands::selectBank(int bank)
{
    return send(bankSelectLine(bank)) == "OK";
}

bool ControllerCommands::selectBankGroup(int group)
{
    return send(bankGroupSelectLine(group)) == "OK";
}

bool ControllerCommands::announceImageSave(int imageNumber)
{
    return send(imageSaveLine(imageNumber)) == "READY";
}

std::string ControllerCommands::imageInfo(int index)
{
    return send(imageInfoLine(index));
}

bool ControllerCommands::announceImageLoad()
{
    return send(imageLoadLine()) == "OK";
}

bool ControllerCommands::announceDataSave(ControllerDataKind data, int number)
{
    return send(dataSaveLine(data, number)) == "READY";
}

bool ControllerCommands::announceDataLoad(ControllerDataKind data, int number)
{
    return send(dataLoadLine(data, number)) == "READY";
}

std::string ControllerCommands::measure(MeasureCommand command)
{
    return send(measureLine(command));
}

std::string ControllerCommands::judgement()
{
    return send(judgementLine());
}

std::string ControllerCommands::resultValue()
{
    return send(resultValueLine());
}
