#pragma once

#include "Command.h"

// parse-pubmed: an efetch XML body on standard input → a JSON array of article records.
class ParsePubMedCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("parse-pubmed"); }
    QString synopsis() const override { return {}; }
    QString summary() const override;
    int run(const QStringList& arguments, CommandIO& io) override;
};

// pubmed [--endpoint URL] [--ca-certificates FILE] PMID...: the records from PubMed's
// efetch service as a JSON array, in the order asked (records of other PMIDs that the
// service added follow, by PMID). An argument that is not a PubMed identifier is left
// out with a warning, as the efetch client leaves it out; when none is left, the
// answer is [] without a request. The options point the command at another efetch
// service, such as the local one of tools/, and trust the certificate authorities in a
// PEM file besides the system's.
class PubMedCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("pubmed"); }
    QString synopsis() const override
    {
        return QStringLiteral("[--endpoint URL] [--ca-certificates FILE] PMID...");
    }
    QString summary() const override;
    QList<QCommandLineOption> options() const override;
    QList<Argument> positionalArguments() const override;
    int run(const QStringList& arguments, CommandIO& io) override;
};
