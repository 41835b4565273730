#include "KeyCommand.h"

#include "literature/VORNAPIKeyFormat.h"

KeyCommand::KeyCommand(StoreFactory storeFactory) : m_storeFactory(std::move(storeFactory)) {}

QString KeyCommand::summary() const
{
    return QStringLiteral("Stores, describes or removes the API key in the desktop's secret store.");
}

QList<Command::Argument> KeyCommand::positionalArguments() const
{
    return {
        {QStringLiteral("set"),
         QStringLiteral("Stores the key read from standard input (never from the command line).")},
        {QStringLiteral("status"), QStringLiteral("Says whether a key is stored, masked.")},
        {QStringLiteral("remove"), QStringLiteral("Deletes the stored key.")},
    };
}

int KeyCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    if (parser.positionalArguments().size() != 1)
        return usage(io, QStringLiteral("Expected one action"));
    const QString action = parser.positionalArguments().first();
    if (VORNAPIKeyFormat::normalize(action))
        return usage(io, QStringLiteral("The key is read from standard input, never from the command line"));
    if (action != u"set" && action != u"status" && action != u"remove")
        return usage(io, QStringLiteral("Unknown action ") + quoted(action));

    const std::unique_ptr<VORNAPIKeyStoring> store = m_storeFactory();
    if (action == u"set") {
        const auto input = io.secretText(QStringLiteral("VORN API key: "));
        if (!input)
            return fail(io, input.error());
        if (const auto saved = store->saveAPIKey(*input); !saved)
            return fail(io, saved.error().errorDescription());
        io.printResult(QStringLiteral("VORN API key saved securely."));
        return success;
    }
    if (action == u"remove") {
        if (const auto removed = store->deleteAPIKey(); !removed)
            return fail(io, removed.error().errorDescription());
        io.printResult(QStringLiteral("API key removed."));
        return success;
    }
    const auto loaded = store->loadAPIKey();
    if (!loaded)
        return fail(io, loaded.error().errorDescription());
    io.printResult(*loaded ? maskedStoredAPIKeyText() : QStringLiteral("No VORN API key is stored."));
    return success;
}
