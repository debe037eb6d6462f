// plnctl xmodem recv|send FILE: one bare XMODEM transfer over the chosen link, with no
// command before it (the controller, or a test peer, is already waiting). On TCP the
// controller's closing reply is still taken.
#include "cli/cli_commands.h"
#include "cli/cli_link.h"
#include "cli/cli_texts.h"
#include "cli/progress_printer.h"
#include "cli/sigint_stop.h"

#include "link/link_error.h"
#include "xmodem/transfer_control.h"

#include <cstdio>

namespace {

const char* reasonFor(int status)
{
    switch (status) {
    case kXmStopped: return "stopped";
    case kXmFailed: return "the transfer failed";
    case kXmTimeout: return "the transfer timed out";
    case kXmCancelled: return "the controller cancelled the transfer";
    default: return "the transfer failed";
    }
}

} // namespace

int runXmodemCommand(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() != 2 || (args[0] != "recv" && args[0] != "send"))
        return usageError(options, cliText(options.language, "xmodem takes recv FILE or send FILE"));
    const bool receiving = args[0] == "recv";
    const std::filesystem::path file = args[1];

    CliLink cli(options);
    if (!cli.open() || !cli.connectNow())
        return kExitFailed;
    SigintStop stop(cli.state, &cli.link->channel());
    const int lang = options.language;
    ProgressPrinter printer(stderrIsTerminal() && !options.quiet);
    ProgressTransferView view(printer);
    TransferControl control(*cli.link, view);

    bool ok = false;
    try {
        ok = receiving ? control.fncReceiveFile(file) : control.fncSendFile(file);
    } catch (const LinkError& e) {
        printer.finish();
        if (e.number() == kErrEmptyFile)
            cliSay(lang, "%s is empty: there is nothing to send", file.string().c_str());
        else if (e.number() != kErrLinkReported) // a broken connection has been told already
            std::fprintf(stderr, "plnctl: %s\n", e.what());
        return stop.exitStatus(kExitFailed);
    }
    printer.finish();
    if (ok)
        return kExitOk;
    // Messages 22 and 23 and failures with a box have been printed already.
    if (!control.lastResult().failedReported())
        cliSay(lang, "%s", cliText(lang, reasonFor(control.lastStatus())));
    return stop.exitStatus(kExitFailed);
}
