#pragma once

#include "FormattedCitation.h"

#include <QDate>
#include <QList>
#include <QString>

struct AuthorName;
struct CitationRecord;

// The ten citation templates behind CitationFormatter::formattedCitation, one per
// style and kind of record, and the run helpers they share. Internal to the citation
// module.
namespace CitationFormatter::Templates {

using Run = FormattedCitation::Run;
using Runs = QList<Run>;

inline Run plain(QString text)
{
    return {std::move(text), false};
}
inline Run italic(QString text)
{
    return {std::move(text), true};
}

// The non-empty parts joined with separator.
QString joinNonEmpty(const QList<QString>& parts, QStringView separator);

// Name forms shared by the styles:
// "Smith, J. A., Jr." (surname, spaced initials, suffix with its full stop);
QString surnameInitials(const AuthorName& name);
// "Smith JA" (surname, bare initials, suffix as stored). Group names stand alone.
QString compactName(const AuthorName& name);

// The groups' runs in order with a plain separator run between consecutive groups.
Runs joined(const QList<Runs>& groups, const QString& separator);

Runs mla(const CitationRecord& record);
Runs mlaChapter(const CitationRecord& record);
Runs apa(const CitationRecord& record);
Runs apaChapter(const CitationRecord& record);
Runs chicago(const CitationRecord& record);
Runs chicagoChapter(const CitationRecord& record);
Runs harvard(const CitationRecord& record, const QDate& accessDate);
Runs harvardChapter(const CitationRecord& record, const QDate& accessDate);
Runs vancouver(const CitationRecord& record);
Runs vancouverChapter(const CitationRecord& record);

} // namespace CitationFormatter::Templates
