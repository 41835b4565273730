#include "TextCommands.h"

#include "literature/LiteratureInputValidator.h"
#include "literature/VORNAPIKeyFormat.h"

QString NormalizeCommand::summary() const
{
    return QStringLiteral("Prints the sentence a selection on standard input becomes, or why it is refused.");
}

int NormalizeCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usage(io,
                     QStringLiteral("Unexpected argument ") + quoted(parser.positionalArguments().first()));
    const auto input = io.inputText();
    if (!input)
        return fail(io, input.error());
    const auto sentence = LiteratureInputValidator::normalize(*input);
    if (!sentence)
        return fail(io, sentence.error().errorDescription());
    io.printResult(*sentence);
    return success;
}

QString ApiKeyCommand::summary() const
{
    return QStringLiteral(
        "Prints the API key on standard input in its canonical form, or why it is not one.");
}

int ApiKeyCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    if (!parser.positionalArguments().isEmpty())
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
