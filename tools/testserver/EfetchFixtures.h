#pragma once

#include "TestHttpsServer.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <expected>

// Answers efetch requests as NCBI's E-utilities would, from the records of real efetch
// documents on disk: GET <path()>?db=pubmed&id=1,2,...&retmode=xml gives one
// PubmedArticleSet with the known records in the order asked (unknown identifiers are
// left out, as efetch does). Other requests get an error status.
class EfetchFixtures final
{
public:
    // Indexes every PubmedArticle and PubmedBookArticle of the *.xml files in folder
    // by its own PMID (the first record of a PMID wins).
    static std::expected<EfetchFixtures, QString> load(const QString& folder);

    // "/entrez/eutils/efetch.fcgi"
    static QString path();
    [[nodiscard]] TestHttpResponse answer(const TestHttpRequest& request) const;
    [[nodiscard]] qsizetype recordCount() const { return m_records.size(); }

private:
    EfetchFixtures() = default;

    QHash<QString, QByteArray> m_records;
};
