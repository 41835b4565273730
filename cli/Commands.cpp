#include "Commands.h"

#include "CitationCommands.h"
#include "FindCommand.h"
#include "KeyCommand.h"
#include "PubMedCommands.h"
#include "SecretServiceKeyStore.h"
#include "ServiceCommands.h"
#include "TextCommands.h"

#include <algorithm>

std::vector<std::unique_ptr<Command>> allCommands()
{
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<NormalizeCommand>());
    commands.push_back(std::make_unique<ApiKeyCommand>());
    commands.push_back(
        std::make_unique<KeyCommand>([] { return std::make_unique<SecretServiceKeyStore>(); }));
    commands.push_back(std::make_unique<FormatCommand>());
    commands.push_back(std::make_unique<ReportCommand>());
    commands.push_back(std::make_unique<ParseResponseCommand>());
    commands.push_back(
        std::make_unique<FindCommand>([] { return std::make_shared<SecretServiceKeyStore>(); }));
    commands.push_back(std::make_unique<ParsePubMedCommand>());
    commands.push_back(std::make_unique<PubMedCommand>());
    return commands;
}

namespace {

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Shows this help."));
const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                       QStringLiteral("Shows the version."));

QString usageLine(const std::vector<std::unique_ptr<Command>>& commands)
{
    QStringList names;
    for (const auto& c : commands)
        names.append(c->name());
    return QStringLiteral("Usage: vorn-cite-cli <") + names.join(u'|') + QStringLiteral("> [options]");
}

// The usage text: usage lines, what the tool is, one line per subcommand and option.
QString overview(const std::vector<std::unique_ptr<Command>>& commands)
{
    qsizetype width = 0;
    for (const auto& c : commands)
        width = std::max(width, c->name().size());
    for (const QCommandLineOption& option : {helpOption, versionOption})
        width = std::max(width, Command::optionNames(option).size());
    QString text =
        usageLine(commands) +
        QStringLiteral("\n       vorn-cite-cli help SUBCOMMAND  (or SUBCOMMAND --help)\n\n"
                       "VORN Cite's engine from a terminal: it reads standard input, writes the result "
                       "on standard output\nand a failure as one line on standard error "
                       "(exit status 1; 2 for a usage error).\n\nSubcommands:\n");
    for (const auto& c : commands)
        text += QStringLiteral("  ") + c->name().leftJustified(width + 2) + c->summary() + u'\n';
    text += QStringLiteral("\nOptions:");
    for (const QCommandLineOption& option : {helpOption, versionOption})
        text += QStringLiteral("\n  ") + Command::optionNames(option).leftJustified(width + 2) +
                option.description();
    return text;
}

const Command* commandNamed(const std::vector<std::unique_ptr<Command>>& commands, const QString& name)
{
    const auto found = std::ranges::find_if(commands, [&name](const auto& c) { return c->name() == name; });
    return found == commands.end() ? nullptr : found->get();
}

// help [SUBCOMMAND]
int help(const std::vector<std::unique_ptr<Command>>& commands, const QStringList& arguments, CommandIO& io)
{
    if (arguments.isEmpty()) {
        io.printResult(overview(commands));
        return Command::success;
    }
    const Command* command = arguments.size() == 1 ? commandNamed(commands, arguments.first()) : nullptr;
    if (!command) {
        io.printError((arguments.size() == 1
                           ? QStringLiteral("Unknown subcommand ") + Command::quoted(arguments.first())
                           : QStringLiteral("Expected one subcommand")) +
                      QStringLiteral(". Usage: vorn-cite-cli help [SUBCOMMAND]"));
        return Command::usageError;
    }
    io.printResult(command->help());
    return Command::success;
}

} // namespace

int runCommandLine(const QStringList& arguments, CommandIO& io)
{
    const std::vector<std::unique_ptr<Command>> commands = allCommands();

    // The tool's own options come before the subcommand; everything from the
    // subcommand on is the subcommand's.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOptions({helpOption, versionOption});
    if (!parser.parse(QStringList{QStringLiteral("vorn-cite-cli")} + arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        const QString problem =
            unknown.isEmpty()
                ? parser.errorText()
                : QStringLiteral("Unknown option ") +
                      Command::quoted((unknown.first().size() == 1 ? u"-" : u"--") + unknown.first());
        io.printError(problem + QStringLiteral(". ") + usageLine(commands));
        return Command::usageError;
    }
    if (parser.isSet(helpOption)) {
        io.printResult(overview(commands));
        return Command::success;
    }
    if (parser.isSet(versionOption)) {
        io.printResult(QStringLiteral("vorn-cite-cli ") + QStringLiteral(VORN_CITE_VERSION));
        return Command::success;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        io.printErrorText(overview(commands));
        return Command::usageError;
    }
    if (positional.first() == u"help")
        return help(commands, positional.mid(1), io);
    for (const auto& c : commands) {
        if (c->name() == positional.first())
            return c->run(positional.mid(1), io);
    }
    io.printError(QStringLiteral("Unknown subcommand ") + Command::quoted(positional.first()) +
                  QStringLiteral(". ") + usageLine(commands));
    return Command::usageError;
}
