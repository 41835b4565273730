#include "FindCommand.h"

#include "BlockingPubMedFetch.h"
#include "CertificateFile.h"
#include "CitationCommands.h"
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

QString FindCommand::summary() const
{
    return QStringLiteral(
        "Asks the citation service for references that back a sentence and prints the report.");
}

QList<QCommandLineOption> FindCommand::options() const
{
    return {
        {QStringLiteral("json"), QStringLiteral("Prints the result JSON instead of the report.")},
        {QStringLiteral("html"), QStringLiteral("Writes the report as HTML.")},
        {QStringLiteral("evidence"),
         QStringLiteral("Asks for evidence quotes and prints the first of each reference.")},
        {QStringLiteral("cite"),
         QStringLiteral("Also prints each reference's citation: ") + citationStyleNames() + u'.',
         QStringLiteral("STYLE")},
        {QStringLiteral("endpoint"),
         QStringLiteral(
             "The service's https base URL for this run (else literature.serviceURL in the settings)."),
         QStringLiteral("BASE-URL")},
        {QStringLiteral("pubmed-endpoint"),
         QStringLiteral("Another efetch service for --cite (default: PubMed's)."), QStringLiteral("URL")},
        {QStringLiteral("ca-certificates"),
         QStringLiteral("Also trusts the certificate authorities in this PEM file (for a local service)."),
         QStringLiteral("PEM")},
    };
}

QList<Command::Argument> FindCommand::positionalArguments() const
{
    return {
        {QStringLiteral("SENTENCE..."), QStringLiteral("The sentence (default: read from standard input).")}};
}

int FindCommand::run(const QStringList& arguments, CommandIO& io)
{
    QCommandLineParser parser;
    if (const auto done = parse(parser, arguments, io))
        return *done;
    const bool json = parser.isSet(QStringLiteral("json"));
    const bool html = parser.isSet(QStringLiteral("html"));
    const bool evidence = parser.isSet(QStringLiteral("evidence"));
    const QString caFile = parser.value(QStringLiteral("ca-certificates"));
    const QString endpoint = parser.value(QStringLiteral("endpoint"));
    const QString pubmedEndpoint = parser.value(QStringLiteral("pubmed-endpoint"));
    const QString citeStyle = parser.value(QStringLiteral("cite")).toLower();
    const QStringList words = parser.positionalArguments();
    if (json && html)
        return usage(io, QStringLiteral("Choose one of --json and --html"));
    if (json && !citeStyle.isEmpty())
        return usage(io, QStringLiteral("Choose one of --json and --cite"));
    if (!citeStyle.isEmpty() &&
        !renderCitation(LiteratureReference{}, citeStyle, QDate::currentDate(), CitationOutput::text))
        return usage(io, QStringLiteral("Unknown style ") + quoted(citeStyle) + QStringLiteral("; choose ") +
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
        const auto read = CertificateFile::read(caFile);
        if (!read)
            return fail(io, read.error());
        extraAuthorities = *read;
    }

    const std::shared_ptr<VORNAPIKeyStoring> store = m_storeFactory();
    const auto stored = store->loadAPIKey();
    const QString scope = VORNBackendStack::credentialScope(stored ? *stored : std::nullopt);
    const QString baseURL =
        VORNBackendStack::serviceBaseURL(endpoint.isEmpty() ? UserSettingsFile::serviceURL() : endpoint);
    auto backend =
        VORNBackendStack::make(baseURL, VORNBackendStack::keyProvider(store),
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

    if (error) {
        fail(io, friendlyMessage(*error));
        if (error->kind() == LiteratureError::Kind::invalidEndpoint && baseURL.isEmpty())
            io.printError(QStringLiteral("No service address is configured: set literature.serviceURL in ") +
                          UserSettingsFile::path() + QStringLiteral(", or pass --endpoint BASE-URL."));
        return failure;
    }
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
    const PubMedArticlesResult fetched = BlockingPubMedFetch::articles(url, extraAuthorities, ids);
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
