#include "CitationCommands.h"

#include "citation/CitationExport.h"
#include "citation/CitationStyles.h"
#include "citation/LiteratureReportFormatter.h"
#include "literature/LiteratureRecords.h"

#include <QRegularExpression>

namespace {

FormattedCitation plainCitation(const QString& text)
{
    return FormattedCitation({{text, false}});
}

QString written(const FormattedCitation& citation, CitationOutput output)
{
    switch (output) {
    case CitationOutput::text:
        return citation.plainText();
    case CitationOutput::html:
        return citation.html();
    case CitationOutput::rtf:
        return QString::fromLatin1(citation.rtf());
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<CitationOutput> outputFromName(const QString& name)
{
    if (name == u"text")
        return CitationOutput::text;
    if (name == u"html")
        return CitationOutput::html;
    if (name == u"rtf")
        return CitationOutput::rtf;
    return std::nullopt;
}

// A calendar date written YYYY-MM-DD.
std::optional<QDate> dateFromText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

} // namespace

QString citationStyleNames()
{
    QStringList names;
    for (const CitationFormatter::Style style : CitationFormatter::allStyles)
        names.append(rawValue(style).toLower());
    names << QStringLiteral("bibtex") << QStringLiteral("ris");
    return names.join(u'|');
}

std::optional<QString> renderCitation(const LiteratureReference& reference, const QString& styleName,
                                      const QDate& accessDate, CitationOutput output)
{
    if (styleName == u"bibtex")
        return written(plainCitation(CitationFormatter::bibtex(reference)), output);
    if (styleName == u"ris")
        return written(plainCitation(CitationFormatter::ris(reference)), output);
    for (const CitationFormatter::Style style : CitationFormatter::allStyles) {
        if (rawValue(style).toLower() == styleName)
            return written(CitationFormatter::formattedCitation(reference, style, accessDate), output);
    }
    return std::nullopt;
}

QString FormatCommand::synopsis() const
{
    return QStringLiteral("--style ") + citationStyleNames() +
           QStringLiteral(" [--access-date YYYY-MM-DD] [--output text|html|rtf]");
}

QString FormatCommand::summary() const
{
    return QStringLiteral(
        "Prints the citation of the reference JSON on standard input in a style or export.");
}

QList<QCommandLineOption> FormatCommand::options() const
{
    return {
        {QStringLiteral("style"), QStringLiteral("The style or export: ") + citationStyleNames() + u'.',
         QStringLiteral("STYLE")},
        {QStringLiteral("access-date"),
         QStringLiteral("The day Harvard prints as accessed (default: today)."),
         QStringLiteral("YYYY-MM-DD")},
        {QStringLiteral("output"), QStringLiteral("text (the default), html or rtf."),
         QStringLiteral("FORMAT")},
    };
}

int FormatCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usage(io,
                     QStringLiteral("Unexpected argument ") + quoted(parser.positionalArguments().first()));
    const QString style = parser.value(QStringLiteral("style"));
    if (parser.isSet(QStringLiteral("style")) && !citationStyleNames().split(u'|').contains(style))
        return usage(io, QStringLiteral("Unknown style ") + quoted(style));
    QDate accessDate = QDate::currentDate();
    if (parser.isSet(QStringLiteral("access-date"))) {
        const QString value = parser.value(QStringLiteral("access-date"));
        const std::optional<QDate> date = dateFromText(value);
        if (!date)
            return usage(io, QStringLiteral("--access-date needs a date YYYY-MM-DD, not ") + quoted(value));
        accessDate = *date;
    }
    CitationOutput output = CitationOutput::text;
    if (parser.isSet(QStringLiteral("output"))) {
        const QString value = parser.value(QStringLiteral("output"));
        const std::optional<CitationOutput> chosen = outputFromName(value);
        if (!chosen)
            return usage(io, QStringLiteral("Unknown output ") + quoted(value));
        output = *chosen;
    }
    if (!parser.isSet(QStringLiteral("style")))
        return usage(io, QStringLiteral("Missing --style"));

    const auto object = io.inputJsonObject();
    if (!object)
        return fail(io, object.error());
    const JsonResult<LiteratureReference> reference = LiteratureReference::fromJson(*object);
    if (!reference)
        return fail(io, reference.error().errorDescription());
    io.printResult(*renderCitation(*reference, style, accessDate, output));
    return success;
}

QString ReportCommand::summary() const
{
    return QStringLiteral(
        "Prints the report of the result JSON on standard input, as the result panel shows it.");
}

QList<QCommandLineOption> ReportCommand::options() const
{
    return {
        {QStringLiteral("html"), QStringLiteral("Writes the report as HTML instead of plain text.")},
        {QStringLiteral("evidence"), QStringLiteral("Adds the first evidence quote of each reference.")},
    };
}

int ReportCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    if (!parser.positionalArguments().isEmpty())
        return usage(io,
                     QStringLiteral("Unexpected argument ") + quoted(parser.positionalArguments().first()));
    const bool html = parser.isSet(QStringLiteral("html"));
    const bool evidence = parser.isSet(QStringLiteral("evidence"));
    const auto object = io.inputJsonObject();
    if (!object)
        return fail(io, object.error());
    const JsonResult<LiteratureResult> result = LiteratureResult::fromJson(*object);
    if (!result)
        return fail(io, result.error().errorDescription());
    io.printResult(html ? LiteratureReportFormatter::html(*result, evidence)
                        : LiteratureReportFormatter::plainText(*result, evidence));
    return success;
}
