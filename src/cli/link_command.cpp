// plnctl's controller commands: send, capture, bank, group, measure, result. They run on the
// same link code as the windows; message boxes become lines on stderr.
#include "cli_commands.h"
#include "cli_link.h"
#include "reply_output.h"

#include "link/judgement.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

std::optional<int> bankNumber(const std::string& text)
{
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 0 || n > 31)
        return std::nullopt;
    return int(n);
}

int usage(const char* what)
{
    std::fprintf(stderr, "plnctl: %s\n", what);
    printUsage();
    return kExitUsage;
}

// The controller command for the command line, or nullopt (usage error, already printed).
struct Plan {
    std::string command;
    std::string expect; // "" = the reply is not examined
    bool printReply = false;
    bool result = false;
};

std::optional<Plan> planFor(const std::string& command, const std::vector<std::string>& args)
{
    if (command == "send") {
        if (args.empty())
            return usage("send needs the command text"), std::nullopt;
        std::string text;
        for (const auto& a : args)
            text += (text.empty() ? "" : " ") + a;
        return Plan{text, "", true};
    }
    if (command == "capture" && args.empty())
        return Plan{"CAPTURE", "OK"};
    if ((command == "bank" || command == "group")) {
        auto n = args.size() == 2 && args[0] == "select" ? bankNumber(args[1]) : std::nullopt;
        if (!n)
            return usage((command + " select takes a number from 0 to 31").c_str()), std::nullopt;
        return Plan{(command == "bank" ? "BANK " : "BG ") + std::to_string(*n), "OK"};
    }
    if (command == "measure" && args.size() == 1) {
        if (args[0] == "once")
            return Plan{"M"};
        if (args[0] == "inspect")
            return Plan{"M /I"};
        if (args[0] == "start")
            return Plan{"M /C", "OK"};
        if (args[0] == "stop")
            return Plan{"M /E"};
        return usage("measure takes once, inspect, start or stop"), std::nullopt;
    }
    if (command == "result" && args.empty())
        return Plan{"DATAGET 2 0", "", false, true};
    if (command == "capture" || command == "measure" || command == "result")
        return usage(("wrong arguments for " + command).c_str()), std::nullopt;
    std::fprintf(stderr, "plnctl: unknown command %s\n", command.c_str());
    printUsage();
    return std::nullopt;
}

} // namespace

int runLinkCommand(const CliOptions& options, const std::string& command, const std::vector<std::string>& args)
{
    auto plan = planFor(command, args);
    if (!plan)
        return kExitUsage;

    CliLink cli(options);
    if (!cli.open())
        return kExitFailed;
    DeviceLink& link = *cli.link;
    StderrPrompter& prompter = cli.prompter;
    Messenger& messages = cli.messages;
    cli.log.last.clear();

    std::string reply = link.fncSendCommand(plan->command);
    if (reply.empty() || reply == "ER") {
        // The channel has said why, unless the program folder lacks its message file.
        if (prompter.shown == 0)
            std::fprintf(stderr, "plnctl: %s\n", reply == "ER" ? "the controller answered ER" : "no reply from the controller");
        cli.reportLostDevice();
        return kExitFailed;
    }
    if (plan->printReply)
        return printReplyLine(stdout, reply) ? kExitOk : kExitFailed;
    if (!plan->expect.empty() && reply != plan->expect) {
        std::fprintf(stderr, "plnctl: the controller answered %s\n", escapeForTerminal(reply).c_str());
        return kExitFailed;
    }
    if (plan->result) {
        long label = judgementLabel(reply);
        if (label == 0) {
            std::fprintf(stderr, "plnctl: the controller answered %s\n", escapeForTerminal(reply).c_str());
            return kExitFailed;
        }
        std::string judgement = messages.fncGetMessage("Label", label);
        int before = prompter.shown;
        std::string value = link.fncSendCommand("DATAGET 2 1");
        if (value.empty()) {
            if (prompter.shown == before)
                std::fprintf(stderr, "plnctl: no reply from the controller\n");
            cli.reportLostDevice();
            return kExitFailed;
        }
        return printReplyLine(stdout, judgement + "\t" + value) ? kExitOk : kExitFailed;
    }
    return kExitOk;
}
