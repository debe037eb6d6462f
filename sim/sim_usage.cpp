#include "sim_usage.h"

#include <string_view>

void printSimUsage(std::FILE* to)
{
    std::fputs(
        "usage: plnsim [--tcp [ADDR:]PORT] [--pty LINK] [--reply-delay MS] [--silent]\n"
        "              [--drop-after N] [--reply-terminator CR|LF|CRLF]\n"
        "       plnsim --help | --version\n"
        "options:\n"
        "  --tcp [ADDR:]PORT          listen on ADDR (default 127.0.0.1, [::1] for IPv6); port 0 picks a free one\n"
        "  --pty LINK                 create a pseudo-terminal and a symbolic link LINK to it\n"
        "  --reply-delay MS           answer each command MS milliseconds after it arrived\n"
        "  --silent                   read commands, never answer\n"
        "  --drop-after N             close each TCP connection after N replies\n"
        "  --reply-terminator T       end every reply with CR, LF or CRLF instead of the command's own\n"
        "controller commands answered:\n"
        "  CAPTURE                    OK\n"
        "  IMGINFO 0 i                a value 0..255 (i 0..3)\n"
        "  BANK n, BG n               OK (n 0..31)\n"
        "  M, M /I, M /C, M /E        OK (M /C: ER while a continuous measurement runs)\n"
        "  DATAGET 2 0, DATAGET 2 1   the judgement -2, -1 or 0 and the measured value\n"
        "  IMGSAVE, IMGLOAD, BNKSAVE, BNKLOAD, BGRSAVE, BGRLOAD, SYSSAVE, SYSLOAD  file transfers\n"
        "  anything else              ER\n"
        "It prints \"tcp ADDR:PORT\" and \"pty DEVICE\" when ready and runs until SIGTERM or SIGINT.\n",
        to);
}

bool answerHelpOrVersion(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help") {
            printSimUsage(stdout);
            return true;
        }
        if (arg == "--version") {
            std::printf("plnsim %s\n", PLNTOOL_VERSION);
            return true;
        }
    }
    return false;
}
