#include "TextCommands.h"

#include "literature/LiteratureInputValidator.h"
#include "literature/VORNAPIKeyFormat.h"

int NormalizeCommand::run(const QStringList& arguments, CommandIO& io)
{
    if (!arguments.isEmpty())
        return usage(io, QStringLiteral("Unexpected argument \"") + arguments.first() + u'"');
    const auto input = io.inputText();
    if (!input)
        return fail(io, input.error());
    const auto sentence = LiteratureInputValidator::normalize(*input);
    if (!sentence)
        return fail(io, sentence.error().errorDescription());
    io.printResult(*sentence);
    return success;
}

int ApiKeyCommand::run(const QStringList& arguments, CommandIO& io)
{
    if (!arguments.isEmpty())
        return usage(io, QStringLiteral("Unexpected argument (the key is read from standard input only)"));
    const auto input = io.inputText();
    if (!input)
        return fail(io, input.error());
    const std::optional<QString> key = VORNAPIKeyFormat::normalize(*input);
    if (!key)
        return fail(io, VORNAPIKeyFormat::invalidKeyMessage());
    io.printResult(*key);
    return success;
}
