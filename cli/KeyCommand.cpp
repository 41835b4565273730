#include "KeyCommand.h"

#include "literature/VORNAPIKeyFormat.h"

KeyCommand::KeyCommand(StoreFactory storeFactory) : m_storeFactory(std::move(storeFactory)) {}

int KeyCommand::run(const QStringList& arguments, CommandIO& io)
{
    if (arguments.size() != 1)
        return usage(io, QStringLiteral("Expected one action"));
    const QString action = arguments.first();
    if (VORNAPIKeyFormat::normalize(action))
        return usage(io, QStringLiteral("The key is read from standard input, never from the command line"));
    if (action != u"set" && action != u"status" && action != u"remove")
        return usage(io, QStringLiteral("Unknown action \"") + action + u'"');

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
