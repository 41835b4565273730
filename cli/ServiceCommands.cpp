#include "ServiceCommands.h"

#include "service/VORNResponseParser.h"

#include <QJsonDocument>

int ParseResponseCommand::run(const QStringList& arguments, CommandIO& io)
{
    std::optional<qint64> maxArticles;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) != QStringLiteral("--max-articles"))
            return usage(io, QStringLiteral("Unexpected argument \"") + arguments.at(i) + u'"');
        if (i + 1 >= arguments.size())
            return usage(io, QStringLiteral("--max-articles needs a number"));
        bool ok = false;
        maxArticles = arguments.at(++i).toLongLong(&ok);
        if (!ok)
            return usage(io, QStringLiteral("--max-articles needs a whole number, not \"") + arguments.at(i) +
                                 u'"');
    }
    if (!maxArticles)
        return usage(io, QStringLiteral("Missing --max-articles"));

    const auto input = io.inputText();
    if (!input)
        return fail(io, input.error());
    LiteratureQueryOptions options;
    options.maxArticles = *maxArticles;
    const auto result = VORNResponseParser::parse(input->toUtf8(), options);
    if (!result)
        return fail(io, result.error().errorDescription());
    io.printResult(QString::fromUtf8(QJsonDocument(result->toJson()).toJson(QJsonDocument::Compact)));
    return success;
}
