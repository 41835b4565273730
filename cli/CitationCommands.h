#pragma once

#include "Command.h"

// report [--html] [--evidence]: a LiteratureResult JSON on standard input → the
// plain-text (or HTML) report, with the first evidence quote of each reference on
// request.
class ReportCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("report"); }
    QString synopsis() const override { return QStringLiteral("[--html] [--evidence]"); }
    int run(const QStringList& arguments, CommandIO& io) override;
};
