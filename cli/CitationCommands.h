#pragma once

#include "Command.h"

#include <QDate>

#include <optional>

struct LiteratureReference;

// How format and find --cite write a citation.
enum class CitationOutput
{
    text,
    html,
    rtf
};

// The names a citation can be asked for by: the five styles (mla, apa, chicago,
// harvard, vancouver) and the exports (bibtex, ris), joined with "|" for usage lines.
QString citationStyleNames();

// The reference's citation in the named style or export, written as text, HTML or
// RTF (an export, being plain text, is escaped as one plain run); absent for an
// unknown name. accessDate is the day Harvard prints as accessed.
std::optional<QString> renderCitation(const LiteratureReference& reference, const QString& styleName,
                                      const QDate& accessDate, CitationOutput output);

// report [--html] [--evidence]: a LiteratureResult JSON on standard input → the
// plain-text (or HTML) report, with the first evidence quote of each reference on
// request.
class ReportCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("report"); }
    QString synopsis() const override { return QStringLiteral("[--html] [--evidence]"); }
    QString summary() const override;
    QList<QCommandLineOption> options() const override;
    int run(const QStringList& arguments, CommandIO& io) override;
};

// format --style S [--access-date YYYY-MM-DD] [--output text|html|rtf]: one
// LiteratureReference JSON (with its PubMed record in "article", when known) on
// standard input → its citation. The access date defaults to today.
class FormatCommand final : public Command
{
public:
    QString name() const override { return QStringLiteral("format"); }
    QString synopsis() const override;
    QString summary() const override;
    QList<QCommandLineOption> options() const override;
    int run(const QStringList& arguments, CommandIO& io) override;
};
