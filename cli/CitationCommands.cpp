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

int FormatCommand::run(const QStringList& arguments, CommandIO& io)
{
    std::optional<QString> style;
    QDate accessDate = QDate::currentDate();
    CitationOutput output = CitationOutput::text;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        if (option != u"--style" && option != u"--access-date" && option != u"--output")
            return usage(io, QStringLiteral("Unknown option \"") + option + u'"');
        if (i + 1 >= arguments.size())
            return usage(io, option + QStringLiteral(" needs a value"));
        const QString& value = arguments.at(++i);
        if (option == u"--style") {
            if (!citationStyleNames().split(u'|').contains(value))
                return usage(io, QStringLiteral("Unknown style \"") + value + u'"');
            style = value;
        } else if (option == u"--access-date") {
            const std::optional<QDate> date = dateFromText(value);
            if (!date)
                return usage(io,
                             QStringLiteral("--access-date needs a date YYYY-MM-DD, not \"") + value + u'"');
            accessDate = *date;
        } else {
            const std::optional<CitationOutput> chosen = outputFromName(value);
            if (!chosen)
                return usage(io, QStringLiteral("Unknown output \"") + value + u'"');
            output = *chosen;
        }
    }
    if (!style)
        return usage(io, QStringLiteral("Missing --style"));

    const auto object = io.inputJsonObject();
    if (!object)
        return fail(io, object.error());
    const JsonResult<LiteratureReference> reference = LiteratureReference::fromJson(*object);
    if (!reference)
        return fail(io, reference.error().errorDescription());
    io.printResult(*renderCitation(*reference, *style, accessDate, output));
    return success;
}

int ReportCommand::run(const QStringList& arguments, CommandIO& io)
{
    bool html = false;
    bool evidence = false;
    for (const QString& argument : arguments) {
        if (argument == u"--html")
            html = true;
        else if (argument == u"--evidence")
            evidence = true;
        else
            return usage(io, QStringLiteral("Unknown option \"") + argument + u'"');
    }
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
