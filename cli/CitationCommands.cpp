#include "CitationCommands.h"

#include "citation/LiteratureReportFormatter.h"
#include "literature/LiteratureRecords.h"

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
