#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

struct LiteratureReference;

// PubMed identifier and link helpers.
namespace PubMed {

inline const QString webBaseURL = QStringLiteral("https://pubmed.ncbi.nlm.nih.gov/");
inline const QString bookshelfBaseURL = QStringLiteral("https://www.ncbi.nlm.nih.gov/books/");

// ASCII digits with surrounding whitespace trimmed and leading zeros dropped;
// absent for anything else and for all zeros.
std::optional<QString> canonicalPMID(const QString& candidate);
// The article's PubMed page.
std::optional<QUrl> url(const QString& candidate);
// One page per distinct canonical PMID, in first-seen order.
QList<QUrl> urls(const QList<LiteratureReference>& references);
// One PubMed search listing every distinct canonical PMID.
std::optional<QUrl> searchURL(const QList<LiteratureReference>& references);

} // namespace PubMed
