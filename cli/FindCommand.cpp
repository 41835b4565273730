#include "FindCommand.h"

#include "CitationCommands.h"
#include "NetworkSupport.h"
#include "citation/CitationStyles.h"
#include "citation/LiteratureReportFormatter.h"
#include "literature/LiteratureInputValidator.h"
#include "literature/UserSettingsFile.h"
#include "pubmed/PubMed.h"
#include "pubmed/PubMedArticleService.h"
#include "service/VORNBackendStack.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QSslCertificate>

FindCommand::FindCommand(StoreFactory storeFactory) : m_storeFactory(std::move(storeFactory)) {}

int FindCommand::run(const QStringList& arguments, CommandIO& io)
{
    bool json = false;
    bool html = false;
    bool evidence = false;
    QString caFile;
    QString endpoint;
    QString pubmedEndpoint;
    QString citeStyle;
    QStringList words;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == u"--json")
            json = true;
        else if (argument == u"--html")
            html = true;
        else if (argument == u"--evidence")
            evidence = true;
        else if (argument == u"--ca-certificates" && i + 1 < arguments.size())
            caFile = arguments.at(++i);
        else if (argument == u"--endpoint" && i + 1 < arguments.size())
            endpoint = arguments.at(++i);
        else if (argument == u"--pubmed-endpoint" && i + 1 < arguments.size())
            pubmedEndpoint = arguments.at(++i);
        else if (argument == u"--cite" && i + 1 < arguments.size())
            citeStyle = arguments.at(++i).toLower();
        else if (argument.startsWith(u"--"))
            return usage(io, QStringLiteral("Unknown option \"") + argument + u'"');
        else
            words.append(argument);
    }
    if (json && html)
        return usage(io, QStringLiteral("Choose one of --json and --html"));
    if (json && !citeStyle.isEmpty())
        return usage(io, QStringLiteral("Choose one of --json and --cite"));
    if (!citeStyle.isEmpty() &&
        !renderCitation(LiteratureReference{}, citeStyle, QDate::currentDate(), CitationOutput::text))
        return usage(io, QStringLiteral("Unknown style \"") + citeStyle + QStringLiteral("\"; choose ") +
                             citationStyleNames());

    QString text;
    if (words.isEmpty()) {
        const auto input = io.inputText();
        if (!input)
            return fail(io, input.error());
        text = *input;
    } else {
        text = words.join(u' ');
    }
    const auto sentence = LiteratureInputValidator::normalize(text);
    if (!sentence)
        return fail(io, sentence.error().errorDescription());

    // A local service (the demo, a test) is reached by trusting its own authority,
    // never by switching verification off.
    QList<QSslCertificate> extraAuthorities;
    if (!caFile.isEmpty()) {
        const auto read = NetworkSupport::readCertificates(caFile);
        if (!read)
            return fail(io, read.error());
        extraAuthorities = *read;
    }

    const std::shared_ptr<VORNAPIKeyStoring> store = m_storeFactory();
    const auto stored = store->loadAPIKey();
    const QString scope = VORNBackendStack::credentialScope(stored ? *stored : std::nullopt);
    auto backend = VORNBackendStack::make(
        VORNBackendStack::serviceBaseURL(endpoint.isEmpty() ? UserSettingsFile::serviceURL() : endpoint),
        VORNBackendStack::keyProvider(store),
        std::make_shared<InMemoryLiteratureCache>(VORNBackendStack::cacheEntries),
        std::make_shared<InFlightLiteratureRequests>(), scope, extraAuthorities);

    const LiteratureQuery query{*sentence, LiteratureQueryOptions{5, evidence, 0}};
    std::unique_ptr<LiteratureQueryStream> stream = backend->query(query);
    std::optional<LiteratureResult> result;
    std::optional<LiteratureError> error;
    QEventLoop loop;
    QObject::connect(stream.get(), &LiteratureQueryStream::eventReceived, &loop,
                     [&](const LiteratureQueryEvent& e) {
                         if (const auto* completed = e.asCompleted())
                             result = completed->result;
                     });
    QObject::connect(stream.get(), &LiteratureQueryStream::finished, &loop, &QEventLoop::quit);
    QObject::connect(stream.get(), &LiteratureQueryStream::failed, &loop, [&](const LiteratureError& e) {
        error = e;
        loop.quit();
    });
    loop.exec();

    if (error)
        return fail(io, friendlyMessage(*error));
    if (!result)
        return fail(io, QStringLiteral("VORN finished without usable citations."));
    if (json) {
        io.printResult(
            QString::fromUtf8(QJsonDocument(result->toJson()).toJson(QJsonDocument::Indented)).trimmed());
        return success;
    }
    QString output = html ? LiteratureReportFormatter::html(*result, evidence)
                          : LiteratureReportFormatter::plainText(*result, evidence);
    if (!citeStyle.isEmpty() && !result->references.isEmpty()) {
        attachPubMedRecords(*result, pubmedEndpoint, extraAuthorities, io);
        output += citations(*result, citeStyle, html);
    }
    io.printResult(output);
    return success;
}

void FindCommand::attachPubMedRecords(LiteratureResult& result, const QString& endpoint,
                                      const QList<QSslCertificate>& extraAuthorities, CommandIO& io)
{
    QStringList ids;
    for (const LiteratureReference& reference : std::as_const(result.references))
        ids.append(reference.pmid);
    const QUrl url = endpoint.isEmpty() ? PubMedArticleService::defaultEndpoint() : QUrl(endpoint);
    // One efetch request for every reference of the result.
    const PubMedArticlesResult fetched = NetworkSupport::fetchArticles(url, extraAuthorities, ids);
    if (!fetched) {
        // The citations still render from the service's data, as the cite panel does.
        io.printError(QStringLiteral("PubMed records could not be fetched (") +
                      fetched.error().errorDescription() +
                      QStringLiteral("); the citations use the citation service's data."));
        return;
    }
    for (LiteratureReference& reference : result.references) {
        const auto found = fetched->constFind(PubMed::canonicalPMID(reference.pmid).value_or(reference.pmid));
        if (found != fetched->constEnd())
            reference.article = *found;
    }
}

QString FindCommand::citations(const LiteratureResult& result, const QString& style, bool html)
{
    QString name = style == u"bibtex" ? QStringLiteral("BibTeX")
                   : style == u"ris"  ? QStringLiteral("RIS")
                                      : QString();
    for (const CitationFormatter::Style s : CitationFormatter::allStyles) {
        if (rawValue(s).toLower() == style)
            name = CitationFormatter::longName(s);
    }
    const bool isExport = style == u"bibtex" || style == u"ris";
    const QDate today = QDate::currentDate();
    QString out =
        html ? QStringLiteral("\n<h2>Citations (") + name.toHtmlEscaped() + QStringLiteral(")</h2>\n<ol>\n")
             : QStringLiteral("\n\nCitations (") + name + QStringLiteral("):\n");
    qsizetype number = 0;
    for (const LiteratureReference& reference : result.references) {
        const QString text =
            renderCitation(reference, style, today, html ? CitationOutput::html : CitationOutput::text)
                .value_or(QString());
        ++number;
        if (html)
            out += QStringLiteral("<li>") +
                   (isExport ? QStringLiteral("<pre>") + text + QStringLiteral("</pre>") : text) +
                   QStringLiteral("</li>\n");
        else if (isExport)
            out += u'\n' + text.trimmed() + u'\n';
        else
            out += u'\n' + QString::number(number) + QStringLiteral(". ") + text + u'\n';
    }
    if (html)
        out += QStringLiteral("</ol>");
    if (out.endsWith(u'\n'))
        out.chop(1);
    return out;
}
