#include "Command.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QStringDecoder>

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

int Command::usage(CommandIO& io, const QString& problem) const
{
    io.printError(problem + QStringLiteral(". Usage: vorn-cite-cli ") + name() +
                  (synopsis().isEmpty() ? QString() : u' ' + synopsis()));
    return usageError;
}

int Command::fail(CommandIO& io, const QString& message)
{
    io.printError(message);
    return failure;
}
