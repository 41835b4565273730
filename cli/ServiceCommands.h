#pragma once

#include "Command.h"

// parse-response --max-articles N: a cite response body on standard input → the
// LiteratureResult JSON.
class ParseResponseCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("parse-response"); }
    QString synopsis() const override { return QStringLiteral("--max-articles N"); }
    QString summary() const override;
    QList<QCommandLineOption> options() const override;
    int run(const QStringList& arguments, CommandIO& io) override;
};
