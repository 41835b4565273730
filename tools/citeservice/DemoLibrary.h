#pragma once

#include "pubmed/ArticleMetadata.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <expected>

// The demo's "search": real PubMed records on disk, ranked by how many words they share
// with the sentence. Honest and simple; every answer says it comes from a demo.
class DemoLibrary final
{
public:
    // Reads every record of the efetch documents (*.xml) in folder.
    static std::expected<DemoLibrary, QString> load(const QString& folder);

    [[nodiscard]] qsizetype size() const { return m_records.size(); }

    // A cite response body (the service's JSON) with up to maxReferences records that
    // share at least one word with text, best first.
    [[nodiscard]] QByteArray citeResponse(const QString& text, qsizetype maxReferences) const;

    // The lower-case words of three or more letters or digits, without common English words.
    static QList<QString> words(const QString& text);

private:
    QList<ArticleMetadata> m_records;
};
