#include "CitationStyles.h"

#include "AuthorName.h"
#include "CitationRecord.h"
#include "CitationTemplates.h"

#include <QLocale>

namespace CitationFormatter {

namespace {

using Templates::compactName;
using Templates::surnameInitials;

QString naturalFull(const AuthorName& name)
{
    return name.natural(true);
}

QString naturalInitials(const AuthorName& name)
{
    return name.natural(false);
}

QString invertedFull(const AuthorName& name)
{
    return name.inverted(true);
}

// Renders names one by one; Chicago's first author is inverted, the others are in
// natural order.
struct NameForms
{
    const QList<AuthorName>& names;
    QString (*first)(const AuthorName&);
    QString (*others)(const AuthorName&);

    [[nodiscard]] QString at(qsizetype i) const { return i == 0 ? first(names.at(i)) : others(names.at(i)); }
    [[nodiscard]] qsizetype size() const { return names.size(); }

    // The first `count` names joined with separator.
    [[nodiscard]] QString join(qsizetype count, QStringView separator) const
    {
        QString out;
        for (qsizetype i = 0; i < count; ++i) {
            if (i > 0)
                out += separator;
            out += at(i);
        }
        return out;
    }
    // "A, B, & C": all but the last joined with ", ", then lastSeparator and the last.
    [[nodiscard]] QString serial(QStringView lastSeparator) const
    {
        QString out = join(size() - 1, u", ");
        out += lastSeparator;
        out += at(size() - 1);
        return out;
    }
    // "A", "A<pair>B", or the serial list with lastSeparator.
    [[nodiscard]] QString upToTwo(QStringView pairSeparator, QStringView lastSeparator) const
    {
        if (size() == 1)
            return at(0);
        if (size() == 2)
            return at(0) + pairSeparator + at(1);
        return serial(lastSeparator);
    }
};

NameForms forms(const QList<AuthorName>& names, QString (*form)(const AuthorName&))
{
    return {names, form, form};
}

// Harvard: "A", "A and B", "A, B and C", else "A et al.".
QString harvardNames(const QList<AuthorName>& names)
{
    const NameForms f = forms(names, surnameInitials);
    return names.size() >= 4 ? f.at(0) + QStringLiteral(" et al.") : f.upToTwo(u" and ", u" and ");
}

QString withFullStop(QString text)
{
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

QString apaAuthors(const QList<AuthorName>& names)
{
    const NameForms f = forms(names, surnameInitials);
    if (names.size() <= 20)
        return f.upToTwo(u", & ", u", & ");
    return f.join(19, u", ") + QStringLiteral(", . . . ") + f.at(names.size() - 1);
}

QString mlaAuthors(const QList<AuthorName>& names)
{
    const NameForms f{names, invertedFull, naturalFull};
    return names.size() >= 3 ? f.at(0) + QStringLiteral(", et al") : f.upToTwo(u", and ", u"");
}

QString chicagoAuthors(const QList<AuthorName>& names)
{
    const NameForms f{names, invertedFull, naturalFull};
    return names.size() <= 10 ? f.upToTwo(u", and ", u", and ")
                              : f.join(7, u", ") + QStringLiteral(", et al");
}

QString vancouverAuthors(const QList<AuthorName>& names)
{
    const NameForms f = forms(names, compactName);
    return names.size() <= 6 ? f.join(names.size(), u", ") : f.join(6, u", ") + QStringLiteral(", et al");
}

} // namespace

QString rawValue(Style style)
{
    switch (style) {
    case Style::mla:
        return QStringLiteral("MLA");
    case Style::apa:
        return QStringLiteral("APA");
    case Style::chicago:
        return QStringLiteral("Chicago");
    case Style::harvard:
        return QStringLiteral("Harvard");
    case Style::vancouver:
        return QStringLiteral("Vancouver");
    }
    Q_UNREACHABLE();
    return QString();
}

std::optional<Style> styleFromRawValue(const QString& raw)
{
    for (const Style style : allStyles) {
        if (rawValue(style) == raw)
            return style;
    }
    return std::nullopt;
}

QString longName(Style style)
{
    switch (style) {
    case Style::mla:
        return QStringLiteral("MLA 9");
    case Style::apa:
        return QStringLiteral("APA 7");
    case Style::chicago:
        return QStringLiteral("Chicago 17 (notes-bibliography)");
    case Style::harvard:
        return QStringLiteral("Harvard (Cite Them Right)");
    case Style::vancouver:
        return QStringLiteral("Vancouver (NLM)");
    }
    Q_UNREACHABLE();
    return QString();
}

std::optional<QString> authorBlock(const QList<AuthorName>& authors, Style style)
{
    if (authors.isEmpty())
        return std::nullopt;
    switch (style) {
    case Style::apa:
        return withFullStop(apaAuthors(authors));
    case Style::mla:
        return withFullStop(mlaAuthors(authors));
    case Style::chicago:
        return withFullStop(chicagoAuthors(authors));
    case Style::harvard:
        return harvardNames(authors);
    case Style::vancouver:
        return withFullStop(vancouverAuthors(authors));
    }
    Q_UNREACHABLE();
    return std::nullopt;
}

std::optional<QString> editorList(const QList<AuthorName>& editors, Style style)
{
    if (editors.isEmpty())
        return std::nullopt;
    switch (style) {
    case Style::apa:
        return forms(editors, naturalInitials).upToTwo(u" & ", u", & ");
    case Style::mla: {
        const NameForms f = forms(editors, naturalFull);
        return editors.size() >= 3 ? f.at(0) + QStringLiteral(" et al.") : f.upToTwo(u" and ", u"");
    }
    case Style::chicago: {
        const NameForms f = forms(editors, naturalFull);
        return editors.size() <= 10 ? f.upToTwo(u" and ", u", and ")
                                    : f.join(7, u", ") + QStringLiteral(", et al.");
    }
    case Style::harvard:
        return harvardNames(editors);
    case Style::vancouver:
        return std::nullopt;
    }
    Q_UNREACHABLE();
    return std::nullopt;
}

QString harvardDate(const QDate& date)
{
    // Every citation of a rendering pass shares one access date; keep its text.
    thread_local QDate lastDate;
    thread_local QString lastText;
    if (date != lastDate || lastText.isEmpty()) {
        static const QLocale british(QLocale::English, QLocale::UnitedKingdom);
        lastText = british.toString(date, QStringLiteral("d MMMM yyyy"));
        lastDate = date;
    }
    return lastText;
}

FormattedCitation formattedCitation(const LiteratureReference& reference, Style style,
                                    const QDate& accessDate)
{
    namespace T = Templates;
    const CitationRecord record(reference);
    const bool chapter = record.kind == ArticleKind::bookChapter;
    switch (style) {
    case Style::mla:
        return FormattedCitation(chapter ? T::mlaChapter(record) : T::mla(record));
    case Style::apa:
        return FormattedCitation(chapter ? T::apaChapter(record) : T::apa(record));
    case Style::chicago:
        return FormattedCitation(chapter ? T::chicagoChapter(record) : T::chicago(record));
    case Style::harvard:
        return FormattedCitation(chapter ? T::harvardChapter(record, accessDate)
                                         : T::harvard(record, accessDate));
    case Style::vancouver:
        return FormattedCitation(chapter ? T::vancouverChapter(record) : T::vancouver(record));
    }
    Q_UNREACHABLE();
    return FormattedCitation();
}

QString citation(const LiteratureReference& reference, Style style, const QDate& accessDate)
{
    return formattedCitation(reference, style, accessDate).plainText();
}

} // namespace CitationFormatter
