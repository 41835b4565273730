#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <expected>
#include <functional>
#include <optional>

// What a command reads and writes. Tests fill input and read out and err.
class CommandIO final
{
public:
    explicit CommandIO(std::function<QByteArray()> readInput) : m_readInput(std::move(readInput)) {}

    // Standard input, read whole (once), and decoded as UTF-8.
    std::expected<QString, QString> inputText();
    // Standard input, read whole (once), as bytes: for documents that declare their own encoding.
    QByteArray inputBytes();
    // Standard input read as one JSON object.
    std::expected<QJsonObject, QString> inputJsonObject();
    // A secret: typed at the terminal after prompt when the secret reader gives one (the
    // program reads from a terminal with echo off), otherwise standard input as inputText.
    std::expected<QString, QString> secretText(const QString& prompt);
    // Reads a line typed at a terminal after a prompt; absent when there is no terminal.
    void setSecretReader(std::function<std::optional<QByteArray>(const QString& prompt)> reader)
    {
        m_readSecret = std::move(reader);
    }

    // The result line: text followed by one newline.
    void printResult(const QString& text);
    // One line on standard error. A word that has the form of an API key (an argument
    // typed by mistake) is never echoed: it is shown as "vorn_…".
    void printError(const QString& message);

    QByteArray out;
    QByteArray err;

private:
    std::function<QByteArray()> m_readInput;
    std::function<std::optional<QByteArray>(const QString&)> m_readSecret;
};

// One subcommand of vorn-cite-cli.
class Command
{
public:
    static constexpr int success = 0;
    static constexpr int failure = 1;
    static constexpr int usageError = 2;

    virtual ~Command() = default;
    [[nodiscard]] virtual QString name() const = 0;
    // The arguments after the name, for the usage line.
    [[nodiscard]] virtual QString synopsis() const = 0;
    // Runs with the arguments that follow the subcommand name; returns the exit status.
    virtual int run(const QStringList& arguments, CommandIO& io) = 0;

protected:
    // Prints the usage line of this command and returns usageError.
    int usage(CommandIO& io, const QString& problem) const;
    // Prints message as the one-line failure and returns failure.
    static int fail(CommandIO& io, const QString& message);
};
