#include "EfetchFixtures.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

using namespace Qt::Literals::StringLiterals;

namespace {

const QByteArray documentHead =
    "<?xml version=\"1.0\" ?>\n<!DOCTYPE PubmedArticleSet PUBLIC \"-//NLM//DTD PubMedArticle, 1st January "
    "2025//EN\" \"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd\">\n<PubmedArticleSet>\n";

TestHttpResponse xml(int status, QByteArray body)
{
    TestHttpResponse r;
    r.status = status;
    r.headers = {{"Content-Type", "text/xml; charset=UTF-8"}};
    r.body = std::move(body);
    return r;
}

TestHttpResponse error(int status, const QByteArray& message)
{
    return xml(status, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<eFetchResult>\n\t<ERROR>" + message +
                           "</ERROR>\n</eFetchResult>\n");
}

} // namespace

QString EfetchFixtures::path()
{
    return u"/entrez/eutils/efetch.fcgi"_s;
}

std::expected<EfetchFixtures, QString> EfetchFixtures::load(const QString& folder)
{
    static const QRegularExpression record(u"<(PubmedArticle|PubmedBookArticle)(?:\\s[^>]*)?>.*?</\\1>"_s,
                                           QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression ownPMID(
        u"<(?:MedlineCitation|BookDocument)\\b[^>]*>\\s*<PMID\\b[^>]*>\\s*([0-9]+)\\s*</PMID>"_s);
    const QDir dir(folder);
    const QStringList names = dir.entryList({u"*.xml"_s}, QDir::Files, QDir::Name);
    if (names.isEmpty())
        return std::unexpected(u"no efetch documents (*.xml) in "_s + folder);
    EfetchFixtures fixtures;
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return std::unexpected(u"cannot read "_s + file.fileName());
        const QString text = QString::fromUtf8(file.readAll());
        if (!text.contains("<PubmedArticleSet"_L1))
            continue; // a fragment or another kind of document
        for (auto it = record.globalMatch(text); it.hasNext();) {
            const QString element = it.next().captured();
            const QRegularExpressionMatch own = ownPMID.match(element);
            if (own.hasMatch() && !fixtures.m_records.contains(own.captured(1)))
                fixtures.m_records.insert(own.captured(1), element.toUtf8());
        }
    }
    return fixtures;
}

TestHttpResponse EfetchFixtures::answer(const TestHttpRequest& request) const
{
    const QUrl target(QString::fromUtf8(request.target));
    if (target.path() != path())
        return error(404, "Not Found");
    if (request.method != "GET")
        return error(405, "Method Not Allowed");
    const QUrlQuery query(target);
    if (query.queryItemValue(u"db"_s) != "pubmed"_L1)
        return error(400, "Unknown or missing db");
    const QString ids = query.queryItemValue(u"id"_s);
    if (ids.isEmpty())
        return error(400, "Empty id list - nothing todo");
    QByteArray body = documentHead;
    for (const QString& id : ids.split(u',')) {
        if (const auto it = m_records.constFind(id.trimmed()); it != m_records.constEnd())
            body += *it + '\n';
    }
    body += "</PubmedArticleSet>\n";
    return xml(200, std::move(body));
}
