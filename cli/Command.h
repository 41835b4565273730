#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <expected>
#include <functional>

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

    // The result line: text followed by one newline.
    void printResult(const QString& text);
    // One line on standard error.
    void printError(const QString& message);

    QByteArray out;
    QByteArray err;

private:
    std::function<QByteArray()> m_readInput;
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
