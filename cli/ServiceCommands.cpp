#include "ServiceCommands.h"

#include "service/VORNResponseParser.h"

#include <QJsonDocument>

namespace {

const QString maxArticlesOption = QStringLiteral("max-articles");

} // namespace

QString ParseResponseCommand::summary() const
{
    return QStringLiteral("Reads a citation service response on standard input and prints its result JSON.");
}

QList<QCommandLineOption> ParseResponseCommand::options() const
{
    return {{maxArticlesOption,
             QStringLiteral("How many references to keep (clamped to what the application allows)."),
             QStringLiteral("N")}};
}

int ParseResponseCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usage(io,
                     QStringLiteral("Unexpected argument ") + quoted(parser.positionalArguments().first()));
    if (!parser.isSet(maxArticlesOption))
        return usage(io, QStringLiteral("Missing --max-articles"));
    bool ok = false;
    const qint64 maxArticles = parser.value(maxArticlesOption).toLongLong(&ok);
    if (!ok)
        return usage(io, QStringLiteral("--max-articles needs a whole number, not ") +
                             quoted(parser.value(maxArticlesOption)));

    const auto input = io.inputText();
    if (!input)
        return fail(io, input.error());
    LiteratureQueryOptions queryOptions;
    queryOptions.maxArticles = maxArticles;
    const auto result = VORNResponseParser::parse(input->toUtf8(), queryOptions);
    if (!result)
        return fail(io, result.error().errorDescription());
    io.printResult(QString::fromUtf8(QJsonDocument(result->toJson()).toJson(QJsonDocument::Compact)));
    return success;
}
