#include "cli/cli_parser.h"

#include "cli/cli_language.h"
#include "cli/cli_texts.h"

#include <QCommandLineParser>

#include <algorithm>

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

void addOptions(QCommandLineParser& parser, const std::vector<const OptionSpec*>& options)
{
    for (const OptionSpec* o : options) {
        QStringList names;
        if (o->shortName)
            names << QString(QChar(o->shortName));
        names << QString::fromLatin1(o->longName);
        parser.addOption(o->valueName ? QCommandLineOption(names, QString(), QString::fromLatin1(o->valueName))
                                      : QCommandLineOption(names));
    }
}

const OptionSpec* optionNamed(std::string_view name)
{
    for (const OptionSpec& o : cliOptionTable())
        if (name == o.longName || (name.size() == 1 && name[0] == o.shortName))
            return &o;
    return nullptr;
}

std::string dashed(const std::string& name) { return (name.size() == 1 ? "-" : "--") + name; }

// Says what is wrong when QCommandLineParser refused the line: an unknown option (or one of
// another command), a switch given a value, or a value missing at the end. Qt's own text is
// the last resort only: it is neither in the user's language nor in plnctl's words.
std::string mistake(const QCommandLineParser& parser, const std::vector<std::string>& args,
                    const std::vector<const OptionSpec*>& allowed, const CommandSpec* command, int language)
{
    for (const QString& unknown : parser.unknownOptionNames()) {
        const std::string name = unknown.toStdString();
        const OptionSpec* o = optionNamed(name);
        if (o && command && std::find(allowed.begin(), allowed.end(), o) == allowed.end())
            return cliFormat(language, "%s does not go with %s", dashed(name).c_str(), command->name);
        return cliFormat(language, "unknown option %s", dashed(name).c_str());
    }
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            const OptionSpec* o = optionNamed(arg.substr(2, arg.find('=') - 2));
            if (o && !o->valueName)
                return cliFormat(language, "--%s takes no value", o->longName);
        }
    }
    if (args.size() > 1) {
        const std::string& last = args.back();
        std::string name = last.rfind("--", 0) == 0 ? last.substr(2) : last.size() == 2 && last[0] == '-' ? last.substr(1) : "";
        const OptionSpec* o = name.empty() ? nullptr : optionNamed(name);
        if (o && o->valueName)
            return cliFormat(language, "%s needs a value (%s)", last.c_str(), o->valueName);
    }
    return parser.errorText().toStdString();
}

void collect(const QCommandLineParser& parser, const std::vector<const OptionSpec*>& options, ParsedCommandLine& out)
{
    for (const OptionSpec* o : options) {
        const QString name = QString::fromLatin1(o->longName);
        if (!parser.isSet(name))
            continue;
        if (!o->valueName) {
            out.switches.insert(o->longName);
            continue;
        }
        for (const QString& v : parser.values(name))
            out.values[o->longName].push_back(v.toStdString());
    }
}

} // namespace

std::string ParsedCommandLine::value(const std::string& name) const
{
    auto it = values.find(name);
    return it == values.end() || it->second.empty() ? std::string() : it->second.back();
}

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args, int localeLanguage)
{
    ParsedCommandLine out;
    out.language = localeLanguage;
    QStringList all;
    for (const std::string& a : args)
        all << q(a);

    // First the options before the command word, knowing every option.
    std::vector<const OptionSpec*> everything;
    for (const OptionSpec& o : cliOptionTable())
        everything.push_back(&o);
    QCommandLineParser front;
    front.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addOptions(front, everything);
    const bool frontOk = front.parse(all);
    if (front.isSet(QStringLiteral("language")))
        if (auto language = cliLanguageFromFlag(front.value(QStringLiteral("language")).toStdString()))
            out.language = *language;
    if (!frontOk) {
        out.error = mistake(front, args, everything, nullptr, out.language);
        return out;
    }
    const QStringList positional = front.positionalArguments();
    if (positional.isEmpty()) {
        collect(front, optionsFor(nullptr), out);
        // An option of a command without the command.
        const auto top = optionsFor(nullptr);
        for (const OptionSpec* o : everything) {
            if (front.isSet(QString::fromLatin1(o->longName)) && std::find(top.begin(), top.end(), o) == top.end()) {
                out.error = cliFormat(out.language, "--%s goes with a command", o->longName);
                return out;
            }
        }
        if (out.has("help"))
            out.outcome = ParsedCommandLine::Outcome::Help;
        else if (out.has("version"))
            out.outcome = ParsedCommandLine::Outcome::Version;
        else
            out.error = cliText(out.language, "no command given");
        return out;
    }
    out.commandWord = positional.front().toStdString();
    out.command = findCommand(out.commandWord);
    if (!out.command) {
        out.error = cliFormat(out.language, "unknown command %s", out.commandWord.c_str());
        return out;
    }

    // Then the command's line: the options before the command word and all after it, with
    // the options that go with this command only.
    const qsizetype commandIndex = all.size() - positional.size();
    QStringList line{all.front()};
    std::vector<std::string> lineArgs{args.front()};
    for (qsizetype i = 1; i < all.size(); ++i) {
        if (i == commandIndex || (i < commandIndex && all[i] == QLatin1String("--")))
            continue;
        line << all[i];
        lineArgs.push_back(args[size_t(i)]);
    }
    const std::vector<const OptionSpec*> allowed = optionsFor(out.command);
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    addOptions(parser, allowed);
    if (!parser.parse(line)) {
        out.error = mistake(parser, lineArgs, allowed, out.command, out.language);
        return out;
    }
    collect(parser, allowed, out);
    for (const QString& a : parser.positionalArguments())
        out.arguments.push_back(a.toStdString());
    out.outcome = out.has("help") ? ParsedCommandLine::Outcome::Help : ParsedCommandLine::Outcome::Run;
    return out;
}
