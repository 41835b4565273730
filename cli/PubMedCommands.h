#pragma once

#include "Command.h"

// parse-pubmed: an efetch XML body on standard input → a JSON array of article records.
class ParsePubMedCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("parse-pubmed"); }
    QString synopsis() const override { return {}; }
    int run(const QStringList& arguments, CommandIO& io) override;
};
