#include "FindCommand.h"

#include "citation/LiteratureReportFormatter.h"
#include "literature/LiteratureInputValidator.h"
#include "literature/UserSettingsFile.h"
#include "service/VORNBackendStack.h"

#include <QEventLoop>
#include <QFile>
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
        else if (argument.startsWith(u"--"))
            return usage(io, QStringLiteral("Unknown option \"") + argument + u'"');
        else
            words.append(argument);
    }
    if (json && html)
        return usage(io, QStringLiteral("Choose one of --json and --html"));

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
        QFile file(caFile);
        if (!file.open(QIODevice::ReadOnly))
            return fail(io, QStringLiteral("Cannot read the certificate file ") + caFile + u'.');
        extraAuthorities = QSslCertificate::fromData(file.read(1 << 20), QSsl::Pem);
        if (extraAuthorities.isEmpty())
            return fail(io, QStringLiteral("The certificate file ") + caFile + QStringLiteral(" holds no PEM certificate."));
    }

    const std::shared_ptr<VORNAPIKeyStoring> store = m_storeFactory();
    const auto stored = store->loadAPIKey();
    const QString scope = VORNBackendStack::credentialScope(stored ? *stored : std::nullopt);
    auto backend = VORNBackendStack::make(
        VORNBackendStack::serviceBaseURL(endpoint.isEmpty() ? UserSettingsFile::serviceURL() : endpoint), VORNBackendStack::keyProvider(store),
        std::make_shared<InMemoryLiteratureCache>(VORNBackendStack::cacheEntries),
        std::make_shared<InFlightLiteratureRequests>(), scope, extraAuthorities);

    const LiteratureQuery query{*sentence, LiteratureQueryOptions{5, evidence, 0}};
    std::unique_ptr<LiteratureQueryStream> stream = backend->query(query);
    std::optional<LiteratureResult> result;
    std::optional<LiteratureError> error;
    QEventLoop loop;
    QObject::connect(stream.get(), &LiteratureQueryStream::eventReceived, &loop, [&](const LiteratureQueryEvent& e) {
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
    if (json)
        io.printResult(QString::fromUtf8(QJsonDocument(result->toJson()).toJson(QJsonDocument::Indented)).trimmed());
    else if (html)
        io.printResult(LiteratureReportFormatter::html(*result, evidence));
    else
        io.printResult(LiteratureReportFormatter::plainText(*result, evidence));
    return success;
}
