#include "Commands.h"

#include "CitationCommands.h"
#include "FindCommand.h"
#include "KeyCommand.h"
#include "PubMedCommands.h"
#include "SecretServiceKeyStore.h"
#include "ServiceCommands.h"
#include "TextCommands.h"

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

int runCommandLine(const QStringList& arguments, CommandIO& io)
{
    const std::vector<std::unique_ptr<Command>> commands = allCommands();
    QStringList names;
    for (const auto& c : commands)
        names.append(c->name());
    const QString usageLine =
        QStringLiteral("Usage: vorn-cite-cli <") + names.join(u'|') + QStringLiteral("> [options]");

    if (arguments.isEmpty()) {
        io.printError(usageLine);
        return Command::usageError;
    }
    for (const auto& c : commands) {
        if (c->name() == arguments.first())
            return c->run(arguments.mid(1), io);
    }
    io.printError(QStringLiteral("Unknown subcommand \"") + arguments.first() + QStringLiteral("\". ") +
                  usageLine);
    return Command::usageError;
}
