// plnctl [OPTIONS] COMMAND [ARGUMENTS]: the options and commands are those of option_table.cpp.
#include "cli/cli_commands.h"
#include "cli/cli_help.h"
#include "cli/cli_language.h"
#include "cli/cli_parser.h"
#include "cli/cli_texts.h"

#include "app/com_settings.h"
#include "app/program_folder.h"
#include "app/qt_translations.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

// Reads the parsed options into CliOptions; false (mistake printed) for a value that is wrong.
bool takeOptions(const ParsedCommandLine& line, CliOptions& options)
{
    const int lang = options.language;
    auto wrong = [&](const std::string& what) {
        usageError(options, what);
        return false;
    };
    if (line.has("program-folder")) {
        options.programFolder = line.value("program-folder");
        options.textFolder = options.programFolder;
    }
    if (line.has("language") && !cliLanguageFromFlag(line.value("language")))
        return wrong(cliText(lang, "--language takes japanese or english"));
    if (line.has("com")) {
        auto n = integerArgument(line.value("com"), 1, 16);
        if (!n)
            return wrong(cliText(lang, "--com takes a port number from 1 to 16"));
        options.com = int(*n);
    }
    // An empty value would silently fall back to Setting.ini's serial port.
    for (const char* name : {"device", "host"})
        if (line.has(name) && line.value(name).empty())
            return wrong(cliFormat(lang, "--%s needs a non-empty value", name));
    options.device = line.value("device");
    options.host = line.value("host");
    if (line.has("settings")) {
        options.deviceSettings = line.value("settings");
        if (ComSettingsCheck check = checkComSettings(options.deviceSettings); !check.ok())
            return wrong("--settings: " + check.problem);
    }
    if (line.has("delimiter")) {
        options.delimiter = line.value("delimiter");
        if (options.delimiter != "CR" && options.delimiter != "LF" && options.delimiter != "CRLF")
            return wrong(cliText(lang, "--delimiter takes CR, LF or CRLF"));
    }
    const int links = (options.com ? 1 : 0) + (options.device.empty() ? 0 : 1) + (options.host.empty() ? 0 : 1);
    if (links > 1)
        return wrong(cliText(lang, "give at most one of --com, --device, --host"));
    if (!options.deviceSettings.empty() && !options.host.empty())
        return wrong(cliText(lang, "--settings goes with --com or --device, not with --host"));
    options.json = line.has("json");
    options.quiet = line.has("quiet");
    options.probe = line.has("probe");
    // convert reads its own options again from this list.
    for (const char* name : {"pattern", "gain", "output", "directory"}) {
        auto it = line.values.find(name);
        if (it == line.values.end())
            continue;
        for (const std::string& v : it->second)
            options.convertOptions.insert(options.convertOptions.end(), {std::string("--") + name, v});
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    CliOptions options;
    const ProgramFolders folders =
        chooseProgramFolders(std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()));
    options.programFolder = folders.settings;
    options.textFolder = folders.texts;

    const ParsedCommandLine line =
        parseCommandLine(std::vector<std::string>(argv, argv + argc), cliLanguageFromLocale());
    options.language = line.language;
    options.command = line.command;
    switch (line.outcome) {
    case ParsedCommandLine::Outcome::UsageError:
        return usageError(options, line.error);
    case ParsedCommandLine::Outcome::Help:
        std::fputs(helpText(line.command, options.language).c_str(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    case ParsedCommandLine::Outcome::Version:
        std::printf("plnctl %s\n", PLNTOOL_VERSION);
        return kExitOk;
    case ParsedCommandLine::Outcome::Run:
        break;
    }
    if (!takeOptions(line, options))
        return kExitUsage;

    // Qt's own texts (the socket's error reasons) in the language of the messages.
    std::unique_ptr<QTranslator> qtTexts = qtTranslatorFor(options.language);
    if (qtTexts)
        QCoreApplication::installTranslator(qtTexts.get());
    const std::string command = line.command->name;
    const std::vector<std::string>& args = line.arguments;
    if (command == "convert")
        return runConvertCommand(options, args);
    if (command == "ports")
        return runPortsCommand(options, args);
    if (command == "image")
        return runImageCommand(options, args);
    if (isBackupCommand(command, args))
        return runBackupCommand(options, command, args);
    if (command == "xmodem")
        return runXmodemCommand(options, args);
    return runLinkCommand(options, command, args);
}
