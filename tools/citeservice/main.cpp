// vorn-cite-service: a local stand-in for the VORN citation service and for PubMed's
// efetch, for demos and manual checks. It serves HTTPS on 127.0.0.1 with a throwaway
// certificate authority, answers the cite endpoint with a canned result for any
// well-formed request carrying a well-formed bearer key, answers efetch requests from the
// records of real efetch documents (--pubmed-fixtures), and writes the authority's
// certificate where --ca-out says so that a client can trust it.
#include "EfetchFixtures.h"
#include "TestHttpsServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cstdio>

namespace {

using namespace Qt::Literals::StringLiterals;

const QByteArray citePath = "/reorg-api/api/v1/api-key-agent/cite";

// Three real PubMed records (titles and journals as PubMed lists them); the quotes are
// placeholders that say where they come from.
const QByteArray cannedAnswer = R"({
  "status": "ok",
  "answer": "Demo answer from the local VORN cite service: the references below are canned.",
  "references": [
    {"pmid": "35358095", "title": "Neutrophil extracellular traps regulate ischemic stroke brain injury.",
     "journal": "The Journal of clinical investigation", "year": "2022", "n_citation": 120,
     "why": "Canned demo reference.",
     "evidence": [{"quote": "Demo quote served by the local cite service.", "context_type": "abstract"}]},
    {"pmid": "35649368",
     "title": "Fatty acid oxidation protects cancer cells from apoptosis by increasing mitochondrial membrane lipids.",
     "journal": "Cell reports", "year": "2022", "n_citation": 45,
     "evidence": ["Demo quote served by the local cite service."]},
    ["Cardiac evaluation of patients with juvenile dermatomyositis.", "https://pubmed.ncbi.nlm.nih.gov/38909159/",
     "8", "2024", "Pediatric research"]
  ],
  "diagnostics": {"elapsed_ms": 42}
})";

TestHttpResponse answer(const TestHttpRequest& request)
{
    if (request.method != "POST" || request.target != citePath)
        return TestHttpResponse::json(404, R"({"detail":"Not Found"})");
    static const QRegularExpression bearer(u"^Bearer vorn_[A-Za-z0-9_-]+$"_s);
    if (!bearer.match(QString::fromUtf8(request.header("Authorization").value_or(QByteArray()))).hasMatch())
        return TestHttpResponse::json(401, R"({"detail":"Invalid API key"})");
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    if (!body.value("text"_L1).isString() || !body.value("max_references"_L1).isDouble())
        return TestHttpResponse::json(422, R"({"detail":[{"msg":"text and max_references are required"}]})");
    return TestHttpResponse::json(200, cannedAnswer);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vorn-cite-service"_s);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"A local VORN cite service with canned answers and a PubMed efetch service, for demos."_s);
    parser.addHelpOption();
    const QCommandLineOption portOption(u"port"_s, u"Port on 127.0.0.1 (default: any free port)."_s,
                                        u"port"_s, u"0"_s);
    const QCommandLineOption caOption(u"ca-out"_s, u"Write the certificate authority (PEM) to this file."_s,
                                      u"file"_s);
    const QCommandLineOption fixturesOption(
        u"pubmed-fixtures"_s, u"Answer efetch requests from the efetch documents (*.xml) in this folder."_s,
        u"folder"_s, QString::fromUtf8(VORN_PUBMED_FIXTURES_DIR));
    parser.addOptions({portOption, caOption, fixturesOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "vorn-cite-service: --port needs a number from 0 to 65535\n");
        return 2;
    }
    const auto authority = TestCertificateAuthority::create();
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
    // Without efetch documents the cite endpoint still works; efetch requests get a 404.
    const auto efetch = EfetchFixtures::load(parser.value(fixturesOption));
    if (!efetch)
        std::fprintf(stderr, "vorn-cite-service: efetch disabled: %s\n", qPrintable(efetch.error()));
    TestHttpsServer server(*authority);
    server.setHandler([&efetch](const TestHttpRequest& request) {
        if (efetch && request.target.startsWith(EfetchFixtures::path().toUtf8()))
            return efetch->answer(request);
        return answer(request);
    });
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "vorn-cite-service: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("VORN cite service base URL: %s\n", qPrintable(server.url().toString()));
    if (efetch) {
        std::printf("efetch endpoint (%lld records): %s\n", qlonglong(efetch->recordCount()),
                    qPrintable(server.url(EfetchFixtures::path()).toString()));
    }
    std::fflush(stdout);
    return QCoreApplication::exec();
}
