#pragma once

#include "Command.h"

// normalize: the raw selection on standard input → the sentence sent to the service.
class NormalizeCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("normalize"); }
    QString synopsis() const override { return {}; }
    QString summary() const override;
    int run(const QStringList& arguments, CommandIO& io) override;
};

// api-key: raw text on standard input → the canonical API key.
class ApiKeyCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("api-key"); }
    QString synopsis() const override { return {}; }
    QString summary() const override;
    int run(const QStringList& arguments, CommandIO& io) override;
};
