#pragma once

#include <QByteArray>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <expected>
#include <functional>
#include <optional>
#include <utility>

// What a command reads and writes. Tests fill input and read out and err.
class CommandIO final
{
public:
    explicit CommandIO(std::function<QByteArray()> readInput) : m_readInput(std::move(readInput)) {}

    // Standard input, read whole (once), and decoded as UTF-8.
    [[nodiscard]] std::expected<QString, QString> inputText();
    // Standard input, read whole (once), as bytes: for documents that declare their own encoding.
    QByteArray inputBytes();
    // Standard input read as one JSON object.
    [[nodiscard]] std::expected<QJsonObject, QString> inputJsonObject();
    // A secret: typed at the terminal after prompt when the secret reader gives one (the
    // program reads from a terminal with echo off), otherwise standard input as inputText.
    [[nodiscard]] std::expected<QString, QString> secretText(const QString& prompt);
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
    // Text of several lines (a usage text) on standard error, followed by one newline.
    void printErrorText(const QString& text);

    QByteArray out;
    QByteArray err;

private:
    std::function<QByteArray()> m_readInput;
    std::function<std::optional<QByteArray>(const QString&)> m_readSecret;
};

// One subcommand of vorn-cite-cli. Its options are parsed with QCommandLineParser;
// every subcommand also answers --help (and -h) with its usage, its one-line summary
// and one line per argument and option.
class Command
{
public:
    static constexpr int success = 0;
    static constexpr int failure = 1;
    static constexpr int usageError = 2;

    // A positional argument as --help lists it.
    struct Argument
    {
        QString name;
        QString description;
    };

    virtual ~Command() = default;
    [[nodiscard]] virtual QString name() const = 0;
    // The arguments after the name, for the usage line.
    [[nodiscard]] virtual QString synopsis() const = 0;
    // What the subcommand does, in one line (the subcommand list and --help show it).
    [[nodiscard]] virtual QString summary() const = 0;
    // The options this subcommand accepts, besides --help.
    [[nodiscard]] virtual QList<QCommandLineOption> options() const { return {}; }
    // The positional arguments, for --help.
    [[nodiscard]] virtual QList<Argument> positionalArguments() const { return {}; }
    // Runs with the arguments that follow the subcommand name; returns the exit status.
    virtual int run(const QStringList& arguments, CommandIO& io) = 0;

    // The usage line: "Usage: vorn-cite-cli NAME SYNOPSIS".
    [[nodiscard]] QString usageLine() const;
    // The --help text: the usage line, the summary, one line per argument and option.
    [[nodiscard]] QString help() const;

    // "-h, --help" and the like, with the value's name: "--style STYLE".
    [[nodiscard]] static QString optionNames(const QCommandLineOption& option);
    // An argument in double quotes, for a message (printError never echoes one that has
    // the form of an API key).
    [[nodiscard]] static QString quoted(const QString& argument);

protected:
    // Parses arguments with options() and --help. Returns the exit status when the
    // command has nothing more to do: success after printing the help for --help, or
    // usageError after the usage line for an unknown option or a missing value.
    [[nodiscard]] std::optional<int> parse(QCommandLineParser& parser, const QStringList& arguments,
                                           CommandIO& io) const;
    // Prints the usage line of this command after problem and returns usageError.
    int usage(CommandIO& io, const QString& problem) const;
    // Prints message as the one-line failure and returns failure.
    static int fail(CommandIO& io, const QString& message);
};
