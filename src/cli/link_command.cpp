// plnctl's controller commands: send, capture, bank, group, measure, result. They run on the
// same link code as the windows; message boxes become lines on stderr.
#include "cli/cli_commands.h"
#include "cli/cli_link.h"
#include "cli/cli_texts.h"
#include "cli/json_report.h"
#include "cli/reply_output.h"
#include "cli/cli_operation_view.h"

#include "link/controller_commands.h"
#include "link/judgement.h"
#include "operations/bank_operations.h"
#include "operations/given_path_dialogs.h"
#include "operations/image_operations.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

namespace {

// Sends the command (through the operation of the windows where there is one) and returns
// the controller's reply.
using Exchange = std::function<std::string(OperationContext&)>;

// The controller command for the command line, or nullopt (usage error, already printed).
struct Plan {
    std::string command;
    Exchange exchange;
    std::string expect; // "" = the reply is not examined
    bool printReply = false;
    bool result = false;
};

Plan measurePlan(MeasureCommand command, std::string expect = {})
{
    return Plan{ControllerCommands::measureLine(command),
                [command](OperationContext& ctx) { return ctx.link.commands().measure(command); },
                std::move(expect)};
}

std::optional<Plan> planFor(const CliOptions& options, const std::string& command,
                            const std::vector<std::string>& args)
{
    const int lang = options.language;
    auto wrong = [&](const std::string& what) -> std::optional<Plan> {
        usageError(options, what);
        return std::nullopt;
    };
    if (command == "send") {
        if (args.empty())
            return wrong(cliText(lang, "send needs the command text"));
        std::string text;
        for (const auto& a : args)
            text += (text.empty() ? "" : " ") + a;
        return Plan{text, [text](OperationContext& ctx) { return ctx.link.commands().send(text); }, "", true};
    }
    if (command == "capture" && args.empty())
        return Plan{ControllerCommands::captureLine(),
                    [](OperationContext& ctx) {
                        fncCapture(ctx);
                        return ctx.link.commands().lastReply();
                    },
                    "OK"};
    if ((command == "bank" || command == "group")) {
        auto n = args.size() == 2 && args[0] == "select" ? bankNumberArgument(args[1]) : std::nullopt;
        if (!n)
            return wrong(cliFormat(lang, "%s select takes a number from 0 to 31", command.c_str()));
        const bool bank = command == "bank";
        const int16_t number = *n;
        return Plan{bank ? ControllerCommands::bankSelectLine(number) : ControllerCommands::bankGroupSelectLine(number),
                    [bank, number](OperationContext& ctx) {
                        if (bank)
                            fncBankChange(ctx, number);
                        else
                            fncBankGroupChange(ctx, number);
                        return ctx.link.commands().lastReply();
                    },
                    "OK"};
    }
    if (command == "measure" && args.size() == 1) {
        if (args[0] == "once")
            return measurePlan(MeasureCommand::Once);
        if (args[0] == "inspect")
            return measurePlan(MeasureCommand::Inspect);
        if (args[0] == "start")
            return measurePlan(MeasureCommand::StartContinuous, "OK");
        if (args[0] == "stop")
            return measurePlan(MeasureCommand::StopContinuous);
    }
    if (command == "measure")
        return wrong(cliText(lang, "measure takes once, inspect, start or stop"));
    if (command == "result" && args.empty())
        return Plan{ControllerCommands::judgementLine(),
                    [](OperationContext& ctx) { return ctx.link.commands().judgement(); }, "", false, true};
    return wrong(cliFormat(lang, "%s takes no arguments", command.c_str()));
}

} // namespace

int runLinkCommand(const CliOptions& options, const std::string& command, const std::vector<std::string>& args)
{
    auto plan = planFor(options, command, args);
    if (!plan)
        return kExitUsage;
    const int lang = options.language;
    JsonReport report(options, command == "measure" ? command + " " + args[0] : command);

    CliLink cli(options);
    if (!cli.open())
        return report.failedAfterRun(cli.prompter, cli.openFailure);
    DeviceLink& link = *cli.link;
    StderrPrompter& prompter = cli.prompter;
    Messenger& messages = cli.messages;
    cli.log.last.clear();

    report.set("sent", QString::fromStdString(plan->command));
    CliOperationView view(false);
    GivenPathDialogs dialogs;
    OperationContext ctx{link, view, dialogs};
    std::string reply = plan->exchange(ctx);
    if (reply.empty() || reply == "ER") {
        // The channel has said why, unless the program folder lacks its message file.
        const OpResult failure = ctx.outcome.failedReported() ? ctx.outcome : link.commands().lastFailure();
        const char* what = reply == "ER" ? "the controller answered ER" : "no reply from the controller";
        if (!failure.failedReported())
            cliSay(lang, "%s", cliText(lang, what));
        cli.reportFailedExchange();
        return report.failed(prompter, failure, cliText(lang, what));
    }
    report.set("reply", QString::fromStdString(reply));
    if (plan->printReply)
        return printReplyLine(stdout, reply) ? kExitOk : kExitFailed;
    if (!plan->expect.empty() && reply != plan->expect) {
        cliSay(lang, "the controller answered %s", escapeForTerminal(reply).c_str());
        return report.failed(cliFormat(lang, "the controller answered %s", reply.c_str()));
    }
    if (plan->result) {
        long label = judgementLabel(reply);
        if (label == 0) {
            cliSay(lang, "the controller answered %s", escapeForTerminal(reply).c_str());
            return report.failed(cliFormat(lang, "the controller answered %s", reply.c_str()));
        }
        std::string judgement = messages.fncGetMessage("Label", label);
        std::string value = link.commands().resultValue();
        if (value.empty()) {
            const OpResult failure = link.commands().lastFailure();
            if (!failure.failedReported())
                cliSay(lang, "%s", cliText(lang, "no reply from the controller"));
            cli.reportFailedExchange();
            return report.failed(prompter, failure, cliText(lang, "no reply from the controller"));
        }
        report.set("judgement", QString::fromStdString(judgement));
        report.set("judgementCode", QString::fromStdString(reply));
        report.set("value", QString::fromStdString(value));
        if (options.json)
            return report.ok();
        report.ok();
        return printReplyLine(stdout, judgement + "\t" + value) ? kExitOk : kExitFailed;
    }
    return report.ok();
}
