#include "CitationTemplates.h"

#include "AuthorName.h"
#include "CitationFormatter.h"
#include "CitationRecord.h"
#include "CitationStyles.h"

// Every template skips a missing field together with its own punctuation, so that
// no citation shows an empty field or a dangling separator.

namespace CitationFormatter::Templates {

namespace {

constexpr QChar enDash = u'\u2013';

QString linkText(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

bool endsWithQuestionOrExclamation(const QString& title)
{
    return title.endsWith(u'?') || title.endsWith(u'!');
}

// The title followed by a full stop, unless it already ends with "?" or "!".
QString titleWithFullStop(const QString& title)
{
    return endsWithQuestionOrExclamation(title) ? title : title + u'.';
}

// “Title.” in curly double quotes.
Runs quotedTitle(const CitationRecord& record)
{
    return {plain(u'\u201c' + titleWithFullStop(record.title) + u'\u201d')};
}

// The groups joined with single spaces.
Runs spaced(const QList<Runs>& groups)
{
    return joined(groups, QStringLiteral(" "));
}

// elements joined with ", " and closed with a full stop.
Runs commaList(const QList<Runs>& elements)
{
    Runs out = joined(elements, QStringLiteral(", "));
    out.append(plain(QStringLiteral(".")));
    return out;
}

void appendAuthorGroup(QList<Runs>& groups, const CitationRecord& record, Style style)
{
    if (const std::optional<QString> block = authorBlock(record.authors, style))
        groups.append({plain(*block)});
}

// "*PubMed*, https://…." or "*NCBI Bookshelf*, https://…."
Runs namedLink(const QString& name, const QUrl& url)
{
    return {italic(name), plain(QStringLiteral(", ") + linkText(url) + u'.')};
}

// APA and Harvard date text.
QString dateOr(const QString& year, const QString& placeholder)
{
    return year.isEmpty() ? placeholder : year;
}

// APA and Chicago close with the best link: APA bare, Chicago with a full stop.
void appendLocatorGroup(QList<Runs>& groups, const CitationRecord& record, bool fullStop)
{
    if (const std::optional<QUrl> url = record.locatorURL())
        groups.append({plain(fullStop ? linkText(*url) + u'.' : linkText(*url))});
}

// Author, year and title for APA: "Smith, J. (2020). Title." or, without authors,
// "Title. (2020).".
void appendApaHead(QList<Runs>& groups, const CitationRecord& record)
{
    const Runs date{plain(u'(' + dateOr(record.year, QStringLiteral("n.d.")) + QStringLiteral(")."))};
    const Runs title{plain(titleWithFullStop(record.title))};
    if (const std::optional<QString> block = authorBlock(record.authors, Style::apa)) {
        groups.append({plain(*block)});
        groups.append(date);
        groups.append(title);
    } else {
        groups.append(title);
        groups.append(date);
    }
}

// Harvard's opening run: "Smith, J. (2020) ‘Title’" or "‘Title’ (2020)", and
// whether it ends with the quoted title.
struct HarvardHead
{
    QString text;
    bool endsWithTitle;
};

HarvardHead harvardHead(const CitationRecord& record)
{
    const QString date = dateOr(record.year, QStringLiteral("no date"));
    const QString quoted = u'\u2018' + record.title + u'\u2019';
    if (const std::optional<QString> block = authorBlock(record.authors, Style::harvard))
        return {*block + QStringLiteral(" (") + date + QStringLiteral(") ") + quoted, true};
    return {quoted + QStringLiteral(" (") + date + u')', false};
}

// The full stop after the opening run when nothing follows it: none after a quoted
// title that ends with "?" or "!".
QString harvardClosing(const CitationRecord& record, const HarvardHead& head)
{
    return head.endsWithTitle && endsWithQuestionOrExclamation(record.title) ? QString()
                                                                             : QStringLiteral(".");
}

void appendAvailableAt(Runs& runs, const CitationRecord& record, const QDate& accessDate)
{
    if (const std::optional<QUrl> url = record.locatorURL()) {
        runs.append(plain(QStringLiteral(" Available at: ") + linkText(*url) +
                          QStringLiteral(" (Accessed: ") + harvardDate(accessDate) + QStringLiteral(").")));
    }
}

// The non-empty parts joined with single spaces, as one plain run.
Runs spacedParts(const QList<QString>& parts)
{
    return {plain(joinNonEmpty(parts, u" "))};
}

QString withSuffix(const QString& text, const QString& suffix)
{
    return text.isEmpty() ? text : text + suffix;
}

} // namespace

QString joinNonEmpty(const QList<QString>& parts, QStringView separator)
{
    QString out;
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        if (!out.isEmpty())
            out += separator;
        out += part;
    }
    return out;
}

QString surnameInitials(const AuthorName& name)
{
    if (name.isCorporate)
        return name.surname;
    QString out = name.surname;
    if (!name.givenNames.isEmpty()) {
        const QString initials = name.spacedInitials();
        if (!initials.isEmpty())
            out += QStringLiteral(", ") + initials;
    }
    if (name.suffix)
        out += QStringLiteral(", ") + name.suffixText();
    return out;
}

QString compactName(const AuthorName& name)
{
    if (name.isCorporate)
        return name.surname;
    return joinNonEmpty({name.surname, name.compactInitials(), name.suffix.value_or(QString())}, u" ");
}

Runs joined(const QList<Runs>& groups, const QString& separator)
{
    Runs out;
    for (const Runs& group : groups) {
        if (!out.isEmpty())
            out.append(plain(separator));
        out.append(group);
    }
    return out;
}

Runs mla(const CitationRecord& record)
{
    QList<Runs> groups;
    appendAuthorGroup(groups, record, Style::mla);
    groups.append(quotedTitle(record));

    QList<Runs> elements;
    if (!record.journal.isEmpty())
        elements.append({italic(record.journal)});
    if (!record.volume.isEmpty())
        elements.append({plain(QStringLiteral("vol. ") + record.volume)});
    if (!record.issue.isEmpty())
        elements.append({plain(QStringLiteral("no. ") + record.issue)});
    if (!record.year.isEmpty())
        elements.append({plain(record.year)});
    if (const std::optional<QString> pages = record.labelledPages(true))
        elements.append({plain(*pages)});

    if (const std::optional<QUrl> doi = record.doiURL()) {
        elements.append({plain(linkText(*doi))});
        groups.append(commaList(elements));
    } else {
        if (!elements.isEmpty())
            groups.append(commaList(elements));
        if (record.pubmedURL)
            groups.append(namedLink(QStringLiteral("PubMed"), *record.pubmedURL));
        else if (record.fallbackURL)
            groups.append({plain(linkText(*record.fallbackURL) + u'.')});
    }
    return spaced(groups);
}

Runs mlaChapter(const CitationRecord& record)
{
    QList<Runs> groups;
    appendAuthorGroup(groups, record, Style::mla);
    groups.append(quotedTitle(record));

    QList<Runs> elements;
    if (!record.bookTitle.isEmpty())
        elements.append({italic(record.bookTitle)});
    if (const std::optional<QString> editors = editorList(record.editors, Style::mla))
        elements.append({plain(QStringLiteral("edited by ") + *editors)});
    if (!record.publisher.isEmpty())
        elements.append({plain(record.publisher)});
    if (!record.year.isEmpty())
        elements.append({plain(record.year)});
    if (!elements.isEmpty())
        groups.append(commaList(elements));

    if (record.bookshelfURL)
        groups.append(namedLink(QStringLiteral("NCBI Bookshelf"), *record.bookshelfURL));
    else if (record.pubmedURL)
        groups.append(namedLink(QStringLiteral("PubMed"), *record.pubmedURL));
    return spaced(groups);
}

Runs apa(const CitationRecord& record)
{
    QList<Runs> groups;
    appendApaHead(groups, record);

    QList<Runs> elements;
    if (!record.journal.isEmpty())
        elements.append({italic(record.journal)});
    if (!record.volume.isEmpty()) {
        Runs volume{italic(record.volume)};
        if (!record.issue.isEmpty())
            volume.append(plain(u'(' + record.issue + u')'));
        elements.append(volume);
    }
    if (record.pages) {
        switch (record.locator) {
        case CitationRecord::Locator::articleNumber:
            elements.append({plain(QStringLiteral("Article ") + record.pages->start)});
            break;
        case CitationRecord::Locator::pages:
            elements.append({plain(record.pages->end ? record.pages->start + enDash + *record.pages->end
                                                     : record.pages->start)});
            break;
        case CitationRecord::Locator::identifier:
            break;
        }
    }
    if (!elements.isEmpty())
        groups.append(commaList(elements));
    appendLocatorGroup(groups, record, false);
    return spaced(groups);
}

Runs apaChapter(const CitationRecord& record)
{
    QList<Runs> groups;
    appendApaHead(groups, record);
    if (!record.bookTitle.isEmpty()) {
        Runs in{plain(QStringLiteral("In "))};
        if (const std::optional<QString> editors = editorList(record.editors, Style::apa)) {
            const QString label = record.editors.size() == 1 ? QStringLiteral("Ed.") : QStringLiteral("Eds.");
            in.append(plain(*editors + QStringLiteral(" (") + label + QStringLiteral("), ")));
        }
        in.append(italic(record.bookTitle));
        in.append(plain(QStringLiteral(".")));
        groups.append(in);
    }
    if (!record.publisher.isEmpty())
        groups.append({plain(record.publisher + u'.')});
    appendLocatorGroup(groups, record, false);
    return spaced(groups);
}

Runs chicago(const CitationRecord& record)
{
    QList<Runs> groups;
    appendAuthorGroup(groups, record, Style::chicago);
    groups.append(quotedTitle(record));

    if (!record.volume.isEmpty()) {
        Runs source;
        QString rest;
        if (!record.journal.isEmpty()) {
            source.append(italic(record.journal));
            rest = u' ' + record.volume;
        } else {
            rest = record.volume;
        }
        if (!record.issue.isEmpty())
            rest += QStringLiteral(", no. ") + record.issue;
        if (!record.year.isEmpty())
            rest += QStringLiteral(" (") + record.year + u')';
        if (record.pages)
            rest += QStringLiteral(": ") + record.pages->abbreviated();
        source.append(plain(rest + u'.'));
        groups.append(source);
    } else if (!record.journal.isEmpty()) {
        groups.append({italic(record.journal),
                       plain(record.year.isEmpty() ? QStringLiteral(", n.d.")
                                                   : QStringLiteral(", ") + record.year + u'.')});
    } else if (!record.year.isEmpty()) {
        groups.append({plain(record.year + u'.')});
    }
    appendLocatorGroup(groups, record, true);
    return spaced(groups);
}

Runs chicagoChapter(const CitationRecord& record)
{
    QList<Runs> groups;
    appendAuthorGroup(groups, record, Style::chicago);
    groups.append(quotedTitle(record));

    if (!record.bookTitle.isEmpty()) {
        Runs in{plain(QStringLiteral("In ")), italic(record.bookTitle)};
        if (const std::optional<QString> editors = editorList(record.editors, Style::chicago))
            in.append(plain(QStringLiteral(", edited by ") + *editors));
        in.append(plain(QStringLiteral(".")));
        groups.append(in);
    }

    QList<Runs> publication;
    if (!record.publisher.isEmpty()) {
        publication.append({plain(record.publisherLocation.isEmpty()
                                      ? record.publisher
                                      : record.publisherLocation + QStringLiteral(": ") + record.publisher)});
    }
    if (!record.year.isEmpty())
        publication.append({plain(record.year)});
    if (!publication.isEmpty())
        groups.append(commaList(publication));
    appendLocatorGroup(groups, record, true);
    return spaced(groups);
}

Runs harvard(const CitationRecord& record, const QDate& accessDate)
{
    QList<Runs> sources;
    if (!record.journal.isEmpty())
        sources.append({italic(record.journal)});
    if (const QString volume = record.volumeWithIssue(); !volume.isEmpty())
        sources.append({plain(volume)});
    if (const std::optional<QString> pages = record.labelledPages(false))
        sources.append({plain(*pages)});

    const HarvardHead head = harvardHead(record);
    Runs runs{plain(head.text)};
    if (!sources.isEmpty()) {
        runs.append(plain(head.endsWithTitle ? QStringLiteral(", ") : QStringLiteral(" ")));
        runs.append(commaList(sources));
    } else {
        runs.append(plain(harvardClosing(record, head)));
    }
    appendAvailableAt(runs, record, accessDate);
    return runs;
}

Runs harvardChapter(const CitationRecord& record, const QDate& accessDate)
{
    const HarvardHead head = harvardHead(record);
    Runs runs{plain(head.text)};
    if (!record.bookTitle.isEmpty()) {
        QString in = QStringLiteral(", in ");
        if (const std::optional<QString> editors = editorList(record.editors, Style::harvard)) {
            const QString label = record.editors.size() == 1 ? QStringLiteral("ed.") : QStringLiteral("eds");
            in += *editors + QStringLiteral(" (") + label + QStringLiteral(") ");
        }
        runs.append(plain(in));
        runs.append(italic(record.bookTitle));
        runs.append(plain(QStringLiteral(".")));
    } else {
        runs.append(plain(harvardClosing(record, head)));
    }
    if (!record.publisher.isEmpty()) {
        runs.append(plain(u' ' + withSuffix(record.publisherLocation, QStringLiteral(": ")) +
                          record.publisher + u'.'));
    }
    appendAvailableAt(runs, record, accessDate);
    return runs;
}

Runs vancouver(const CitationRecord& record)
{
    QString journal = record.journalAbbreviation.isEmpty() ? record.journal : record.journalAbbreviation;
    if (record.isPreprint && !journal.isEmpty())
        journal += QStringLiteral(" [Preprint]");

    QString date = joinNonEmpty({record.year, monthAbbreviation(record.month), record.dayNumber()}, u" ");
    if (!record.volume.isEmpty())
        date += (date.isEmpty() ? QString() : QStringLiteral(";")) + record.volumeWithIssue();
    if (record.pages)
        date += (date.isEmpty() ? QString() : QStringLiteral(":")) + record.pages->medline;

    return spacedParts({
        authorBlock(record.authors, Style::vancouver).value_or(QString()),
        titleWithFullStop(record.title),
        withSuffix(journal, QStringLiteral(".")),
        withSuffix(date, QStringLiteral(".")),
        record.doi.isEmpty() ? QString() : QStringLiteral("doi: ") + record.doi + u'.',
        record.pmid.isEmpty() ? QString() : QStringLiteral("PMID: ") + record.pmid + u'.',
    });
}

Runs vancouverChapter(const CitationRecord& record)
{
    QString container = QStringLiteral("In: ");
    if (!record.editors.isEmpty()) {
        QString editors;
        const qsizetype shown = std::min<qsizetype>(record.editors.size(), 6);
        for (qsizetype i = 0; i < shown; ++i) {
            if (i > 0)
                editors += QStringLiteral(", ");
            editors += compactName(record.editors.at(i));
        }
        if (record.editors.size() > 6)
            editors += QStringLiteral(", et al.");
        container += editors + (record.editors.size() == 1 ? QStringLiteral(", editor. ")
                                                           : QStringLiteral(", editors. "));
    }
    container += record.bookTitle.isEmpty() ? QStringLiteral("[Internet].")
                                            : record.bookTitle + QStringLiteral(" [Internet].");

    QString publication = record.publisherLocation.isEmpty() || record.publisher.isEmpty()
                              ? record.publisher
                              : record.publisherLocation + QStringLiteral(": ") + record.publisher;
    if (!record.year.isEmpty()) {
        const QString month = monthAbbreviation(record.month);
        publication += (publication.isEmpty() ? QString() : QStringLiteral("; ")) + record.year +
                       (month.isEmpty() ? QString() : u' ' + month) + enDash;
    }

    return spacedParts({
        authorBlock(record.authors, Style::vancouver).value_or(QString()),
        titleWithFullStop(record.title),
        withSuffix(record.updatedText().value_or(QString()), QStringLiteral(".")),
        container,
        withSuffix(publication, QStringLiteral(".")),
        record.bookshelfURL ? QStringLiteral("Available from: ") + linkText(*record.bookshelfURL) : QString(),
        record.pmid.isEmpty() ? QString() : QStringLiteral("PMID: ") + record.pmid + u'.',
    });
}

} // namespace CitationFormatter::Templates
