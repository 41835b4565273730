// vorn-cite-service: a local demo of the VORN citation service and of PubMed's efetch,
// for demos and manual checks. It serves HTTPS on 127.0.0.1 with a throwaway certificate
// authority; for any well-formed request carrying a well-formed bearer key, the cite
// endpoint ranks the bundled real PubMed records by word overlap with the sentence (and
// says so in its answer); efetch requests are answered from the same records; the
// authority's certificate is written where --ca-out says, so that a client can trust it.
#include "DemoLibrary.h"
#include "EfetchFixtures.h"
#include "TestHttpsServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

using namespace Qt::Literals::StringLiterals;

const QByteArray citePath = "/reorg-api/api/v1/api-key-agent/cite";

TestHttpResponse answer(const DemoLibrary& library, const TestHttpRequest& request, const QString& onlyKey)
{
    if (request.method != "POST" || request.target != citePath)
        return TestHttpResponse::json(404, R"({"detail":"Not Found"})");
    static const QRegularExpression bearer(u"^Bearer (vorn_[A-Za-z0-9_-]+)$"_s);
    const QRegularExpressionMatch match =
        bearer.match(QString::fromUtf8(request.header("Authorization").value_or(QByteArray())));
    if (!match.hasMatch() || (!onlyKey.isEmpty() && match.captured(1) != onlyKey))
        return TestHttpResponse::json(401, R"({"detail":"Invalid API key"})");
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    if (!body.value("text"_L1).isString() || !body.value("max_references"_L1).isDouble())
        return TestHttpResponse::json(422, R"({"detail":[{"msg":"text and max_references are required"}]})");
    const qsizetype maxReferences = std::clamp<qsizetype>(body.value("max_references"_L1).toInteger(), 1, 25);
    return TestHttpResponse::json(200, library.citeResponse(body.value("text"_L1).toString(), maxReferences));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vorn-cite-service"_s);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A local demo of the VORN cite service (it ranks bundled PubMed records by word overlap with the sentence) and of PubMed's efetch service."_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"Port on 127.0.0.1 (default: any free port)."_s,
                                        u"port"_s, u"0"_s);
    const QCommandLineOption caOption(u"ca-out"_s, u"Write the certificate authority (PEM) to this file."_s,
                                      u"file"_s);
    const QCommandLineOption fixturesOption(
        u"pubmed-fixtures"_s,
        u"Rank and serve the records of the efetch documents (*.xml) in this folder (default: the bundled demo records)."_s,
        u"folder"_s, QString::fromUtf8(VORN_DEMO_RECORDS_DIR));
    const QCommandLineOption requestLogOption(
        u"request-log"_s,
        u"Append every cite request to this file, one JSON array a line (for tests): its text, the milliseconds the service spent answering it and the PMIDs it answered."_s,
        u"file"_s);
    const QCommandLineOption keyOption(
        u"api-key"_s, u"Accept only this key (default: any well-formed vorn_ key); others get HTTP 401."_s,
        u"key"_s);
    const QCommandLineOption keepAuthorityOption(
        u"keep-authority"_s,
        u"Keep the certificate authority and the server certificate in this folder: made on the first start, reused by later ones, so that clients keep trusting a restarted service."_s,
        u"folder"_s);
    parser.addOptions(
        {portOption, caOption, fixturesOption, requestLogOption, keyOption, keepAuthorityOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "vorn-cite-service: --port needs a number from 0 to 65535\n");
        return 2;
    }
    const auto authority = TestCertificateAuthority::create(parser.value(keepAuthorityOption));
    if (!authority) {
        std::fprintf(stderr, "vorn-cite-service: %s\n", qPrintable(authority.error()));
        return 1;
    }
    if (parser.isSet(caOption)) {
        QFile file(parser.value(caOption));
        if (!file.open(QIODevice::WriteOnly) || file.write(authority->caCertificate().toPem()) < 0) {
            std::fprintf(stderr, "vorn-cite-service: cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
    }
    const auto library = DemoLibrary::load(parser.value(fixturesOption));
    const auto efetch = EfetchFixtures::load(parser.value(fixturesOption));
    if (!library || !efetch) {
        std::fprintf(stderr, "vorn-cite-service: %s\n",
                     qPrintable(library ? efetch.error() : library.error()));
        return 1;
    }
    std::unique_ptr<QFile> requestLog;
    if (parser.isSet(requestLogOption)) {
        requestLog = std::make_unique<QFile>(parser.value(requestLogOption));
        if (!requestLog->open(QIODevice::Append)) {
            std::fprintf(stderr, "vorn-cite-service: cannot write %s\n", qPrintable(requestLog->fileName()));
            return 1;
        }
    }
    TestHttpsServer server(*authority);
    const QString onlyKey = parser.value(keyOption);
    server.setHandler([&library, &efetch, &requestLog, &onlyKey](const TestHttpRequest& request) {
        if (request.target.startsWith(EfetchFixtures::path().toUtf8()))
            return efetch->answer(request);
        QElapsedTimer timer;
        timer.start();
        TestHttpResponse response = answer(*library, request, onlyKey);
        if (requestLog && request.target == citePath) {
            const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
            const QJsonValue text = QJsonDocument::fromJson(request.body).object().value("text"_L1);
            QJsonArray pmids;
            for (const QJsonValue& reference :
                 QJsonDocument::fromJson(response.body).object().value("references"_L1).toArray())
                pmids.append(reference.toObject().value("pmid"_L1));
            requestLog->write(
                QJsonDocument(QJsonArray{text, milliseconds, pmids}).toJson(QJsonDocument::Compact) + '\n');
            requestLog->flush();
        }
        return response;
    });
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "vorn-cite-service: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("VORN cite service base URL: %s\n", qPrintable(server.url().toString()));
    std::printf("efetch endpoint (%lld records): %s\n", qlonglong(efetch->recordCount()),
                qPrintable(server.url(EfetchFixtures::path()).toString()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
