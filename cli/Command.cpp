#include "Command.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>

namespace {

const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                    QStringLiteral("Shows this help."));

// Rows of "  left  description" with the descriptions in one column.
QString table(const QList<std::pair<QString, QString>>& rows)
{
    qsizetype width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    QStringList lines;
    for (const auto& row : rows)
        lines.append(QStringLiteral("  ") + row.first.leftJustified(width + 2) + row.second);
    return lines.join(u'\n');
}

// The argument as typed for an option name that QCommandLineParser reports without
// its dashes; the long form when it cannot be found.
QString typedOption(const QString& name, const QStringList& arguments)
{
    for (const QString& argument : arguments) {
        if (argument == u"--" + name || argument.startsWith(u"--" + name + u'=') || argument == u'-' + name)
            return argument;
    }
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

QByteArray CommandIO::inputBytes()
{
    return m_readInput ? m_readInput() : QByteArray();
}

namespace {

std::expected<QString, QString> decodedInput(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::unexpected(QStringLiteral("Standard input is not valid UTF-8."));
    return text;
}

// text with every run that has the form of an API key ("vorn_" in any case, then
// letters, digits, "-" and "_") shortened to its prefix and an ellipsis.
QString withoutKeys(const QString& text)
{
    static const QRegularExpression key(QStringLiteral("vorn_[A-Za-z0-9_-]+"),
                                        QRegularExpression::CaseInsensitiveOption);
    QString out = text;
    out.replace(key, QStringLiteral("vorn_\u2026"));
    return out;
}

} // namespace

std::expected<QString, QString> CommandIO::inputText()
{
    return decodedInput(inputBytes());
}

std::expected<QString, QString> CommandIO::secretText(const QString& prompt)
{
    if (m_readSecret) {
        if (const std::optional<QByteArray> typed = m_readSecret(prompt))
            return decodedInput(*typed);
    }
    return inputText();
}

std::expected<QJsonObject, QString> CommandIO::inputJsonObject()
{
    const auto text = inputText();
    if (!text)
        return std::unexpected(text.error());
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text->toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        return std::unexpected(QStringLiteral("Standard input is not valid JSON: ") + error.errorString() +
                               QStringLiteral(" at offset ") + QString::number(error.offset) + u'.');
    }
    if (!document.isObject())
        return std::unexpected(QStringLiteral("Standard input is not a JSON object."));
    return document.object();
}

void CommandIO::printResult(const QString& text)
{
    out += text.toUtf8();
    out += '\n';
}

void CommandIO::printError(const QString& message)
{
    // One line: a message with line breaks would read as several errors.
    QString line = withoutKeys(message);
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    err += line.toUtf8();
    err += '\n';
}

void CommandIO::printErrorText(const QString& text)
{
    err += text.toUtf8();
    err += '\n';
}

QString Command::usageLine() const
{
    return QStringLiteral("Usage: vorn-cite-cli ") + name() +
           (synopsis().isEmpty() ? QString() : u' ' + synopsis());
}

QString Command::help() const
{
    QString text = usageLine() + QStringLiteral("\n\n") + summary();
    QList<std::pair<QString, QString>> arguments;
    for (const Argument& argument : positionalArguments())
        arguments.append({argument.name, argument.description});
    if (!arguments.isEmpty())
        text += QStringLiteral("\n\nArguments:\n") + table(arguments);
    QList<std::pair<QString, QString>> rows;
    for (const QCommandLineOption& option : options() + QList<QCommandLineOption>{helpOption})
        rows.append({optionNames(option), option.description()});
    return text + QStringLiteral("\n\nOptions:\n") + table(rows);
}

QString Command::optionNames(const QCommandLineOption& option)
{
    QStringList names;
    for (const QString& name : option.names())
        names.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    QString text = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        text += u' ' + option.valueName();
    return text;
}

QString Command::quoted(const QString& argument)
{
    return u'"' + argument + u'"';
}

std::optional<int> Command::parse(QCommandLineParser& parser, const QStringList& arguments,
                                  CommandIO& io) const
{
    parser.addOptions(options());
    parser.addOption(helpOption);
    const bool parsed = parser.parse(QStringList{name()} + arguments);
    if (parser.isSet(helpOption)) {
        io.printResult(help());
        return success;
    }
    if (parsed)
        return std::nullopt;
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
        return usage(io, QStringLiteral("Unknown option ") + quoted(typedOption(unknown.first(), arguments)));
    // The other failure: an option that takes a value came last, without one.
    const QString last = arguments.isEmpty() ? QString() : arguments.last();
    for (const QCommandLineOption& option : options()) {
        if (option.valueName().isEmpty())
            continue;
        for (const QString& optionName : option.names()) {
            if (last == (optionName.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + optionName)
                return usage(io, last + QStringLiteral(" needs a value"));
        }
    }
    QString problem = parser.errorText();
    if (problem.endsWith(u'.'))
        problem.chop(1);
    return usage(io, problem);
}

int Command::usage(CommandIO& io, const QString& problem) const
{
    io.printError(problem + QStringLiteral(". ") + usageLine());
    return usageError;
}

int Command::fail(CommandIO& io, const QString& message)
{
    io.printError(message);
    return failure;
}
