// plnctl [--program-folder DIR] [--com N | --device PATH [--settings S] | --host ADDR[:PORT]]
//        [--delimiter CR|LF|CRLF] [--language japanese|english] COMMAND ...
#include "cli_commands.h"
#include "cli_language.h"

#include "app/program_folder.h"
#include "app/qt_translations.h"

#include "app/com_settings.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

void printUsage(std::FILE* to)
{
    std::fputs(
        "usage: plnctl [--program-folder DIR] [--com N | --device PATH [--settings S] | --host ADDR[:PORT]]\n"
        "              [--delimiter CR|LF|CRLF] [--language japanese|english] COMMAND\n"
        "       plnctl --help | --version\n"
        "options:\n"
        "  --program-folder DIR            the folder with Setting.ini and the texts (default: plnctl's own)\n"
        "  --com N                         serial port N (1-16) with the settings of Setting.ini\n"
        "  --device PATH [--settings S]    this serial device, e.g. /dev/ttyUSB0 and \"38400,N,8,1\"\n"
        "  --host ADDR[:PORT]              the controller's address on the LAN (port 23 by default)\n"
        "  --delimiter CR|LF|CRLF          the command terminator (default: Setting.ini's)\n"
        "  --language japanese|english     the language of the messages (default: from LC_ALL, LC_MESSAGES, LANG)\n"
        "commands:\n"
        "  convert [--pattern RGGB|GBRG|GRBG|BGGR] [--gain R,G,B] INPUT... (-o OUTPUT | -d DIR)\n"
        "  send TEXT                       send one command line, print the reply\n"
        "  capture                         capture an image on the controller\n"
        "  image get N|live OUT            download image N (0..99) or the live image: OUT.bmp as\n"
        "                                  the window shows it, OUT.BYR/.GRY the raw file received\n"
        "  image put IN                    upload a .bmp or raw (.BYR/.GRY) image, gains taken out\n"
        "  bank select N | group select N  switch the active bank or bank group\n"
        "  bank save|load N FILE           save bank N (0..31) into FILE, or load FILE into it\n"
        "  group save|load N FILE          the same for bank group N\n"
        "  system save|load FILE           the same for the system data\n"
        "  backup DIR                      save every bank, bank group and the system data into DIR\n"
        "                                  (BANK/, BANKGRP/, SYSTEM/ and MANIFEST.txt, written last)\n"
        "  restore DIR                     check DIR against its manifest, then load it all back\n"
        "  measure once|inspect|start|stop run or stop a measurement\n"
        "  result                          print the judgement and the measured value\n"
        "  xmodem recv|send FILE           receive or send one file with XMODEM, no command first\n",
        to);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CliOptions options;
    options.language = cliLanguageFromLocale();
    const ProgramFolders folders =
        chooseProgramFolders(std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()));
    options.programFolder = folders.settings;
    options.textFolder = folders.texts;

    int i = 1;
    auto value = [&](std::string_view flag) -> const char* {
        if (i + 1 >= argc) {
            std::fprintf(stderr, "plnctl: %.*s needs a value\n", int(flag.size()), flag.data());
            return nullptr;
        }
        return argv[++i];
    };
    for (; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.rfind("--", 0) != 0)
            break;
        const char* v = nullptr;
        if (arg == "--help") {
            printUsage(stdout);
            return kExitOk;
        }
        if (arg == "--version") {
            std::printf("plnctl %s\n", PLNTOOL_VERSION);
            return kExitOk;
        }
        if (!(v = value(arg)))
            return kExitUsage;
        if (arg == "--program-folder") {
            options.programFolder = v;
            options.textFolder = v;
        } else if (arg == "--com") {
            auto n = integerArgument(v, 1, 16);
            if (!n) {
                std::fprintf(stderr, "plnctl: --com takes a port number from 1 to 16\n");
                return kExitUsage;
            }
            options.com = int(*n);
        } else if (arg == "--device" || arg == "--host") {
            // An empty value would silently fall back to Setting.ini's serial port.
            if (*v == '\0') {
                std::fprintf(stderr, "plnctl: %s needs a non-empty value\n", argv[i - 1]);
                return kExitUsage;
            }
            (arg == "--device" ? options.device : options.host) = v;
        } else if (arg == "--settings") {
            options.deviceSettings = v;
            if (ComSettingsCheck check = checkComSettings(v); !check.ok()) {
                std::fprintf(stderr, "plnctl: --settings: %s\n", check.problem.c_str());
                return kExitUsage;
            }
        } else if (arg == "--language") {
            auto language = cliLanguageFromFlag(v);
            if (!language) {
                std::fprintf(stderr, "plnctl: --language takes japanese or english\n");
                return kExitUsage;
            }
            options.language = *language;
        } else if (arg == "--delimiter") {
            options.delimiter = v;
            if (options.delimiter != "CR" && options.delimiter != "LF" && options.delimiter != "CRLF") {
                std::fprintf(stderr, "plnctl: --delimiter takes CR, LF or CRLF\n");
                return kExitUsage;
            }
        } else {
            std::fprintf(stderr, "plnctl: unknown option %s\n", argv[i]);
            printUsage();
            return kExitUsage;
        }
    }
    int links = (options.com ? 1 : 0) + (options.device.empty() ? 0 : 1) + (options.host.empty() ? 0 : 1);
    if (links > 1 || (!options.deviceSettings.empty() && options.device.empty())) {
        std::fprintf(stderr, "plnctl: give at most one of --com, --device, --host (--settings goes with --device)\n");
        return kExitUsage;
    }
    if (i >= argc) {
        printUsage();
        return kExitUsage;
    }
    // Qt's own texts (the socket's error reasons) in the language of the messages.
    std::unique_ptr<QTranslator> qtTexts = qtTranslatorFor(options.language);
    if (qtTexts)
        QCoreApplication::installTranslator(qtTexts.get());
    std::string command = argv[i++];
    std::vector<std::string> args(argv + i, argv + argc);
    if (command == "convert")
        return runConvertCommand(options, args);
    if (command == "image")
        return runImageCommand(options, args);
    if (isBackupCommand(command, args))
        return runBackupCommand(options, command, args);
    if (command == "xmodem")
        return runXmodemCommand(options, args);
    return runLinkCommand(options, command, args);
}
