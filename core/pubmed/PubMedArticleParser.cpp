#include "PubMedArticleParser.h"

#include "PubMed.h"
#include "PubMedElements.h"
#include "literature/LiteratureInputValidator.h"

#include <QRegularExpression>

// Debian's expat is built with DTD support; its header declares the amplification
// limits only under this macro (a library without them would fail to link).
#ifndef XML_DTD
#define XML_DTD 1
#endif
#include <expat.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Amplification protection against entity-expansion bombs ("billion laughs"), kept
// behind the refusal of entity declarations: efetch documents declare no entities, so
// their factor stays near 1.
constexpr float maximumAmplification = 10.0f;
constexpr unsigned long long amplificationThresholdBytes = 1024 * 1024;
// expat copies what it is fed into its own buffer, so the body goes in pieces: the
// copy stays small, and a token that spans pieces is rescanned only a few times.
constexpr qsizetype feedChunkBytes = qsizetype(4) << 20;

// The value of a field: control characters that XML lets through (DEL, C1, such as the
// terminal's U+009B) dropped, white space collapsed.
QString collapsed(const std::string& utf8)
{
    return LiteratureInputValidator::collapseWhitespaceDroppingControls(
        QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

std::optional<QString> nonEmpty(QString text)
{
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

// Year and month of a free-text MedlineDate such as "1998 Dec-1999 Jan" or "2000 Spring":
// the first four-digit word is the year, the rest the month.
std::pair<std::optional<QString>, std::optional<QString>> medlineDate(const QString& text)
{
    const QString t = LiteratureInputValidator::collapseWhitespace(text);
    static thread_local const QRegularExpression yearPattern(QStringLiteral("\\b[0-9]{4}\\b"),
                                                             QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = yearPattern.match(t);
    if (!match.hasMatch())
        return {std::nullopt, nonEmpty(t)};
    QString rest = t;
    rest.remove(match.capturedStart(), match.capturedLength());
    return {match.captured(), nonEmpty(LiteratureInputValidator::collapseWhitespace(rest))};
}

bool allAsciiDigits(QStringView s)
{
    for (const QChar c : s) {
        if (c.unicode() < u'0' || c.unicode() > u'9')
            return false;
    }
    return true;
}

// Whether a publisher item identifier is an article number used in place of pages:
// an e-locator (e0123456), an arXiv identifier or a plain number of four or more
// digits; publisher identifiers such as S0140-6736(20)30183-5 are not.
bool isArticleNumber(const QString& text)
{
    const QString t = LiteratureInputValidator::collapseWhitespace(text);
    if (t.size() >= 2 && (t.front() == u'e' || t.front() == u'E') && allAsciiDigits(QStringView(t).mid(1)))
        return true;
    if (t.startsWith(QLatin1StringView("arxiv:"), Qt::CaseInsensitive))
        return true;
    return t.size() >= 4 && allAsciiDigits(t);
}

enum class IdType
{
    other,
    doi,
    pii,
    bookAccession
};

IdType idType(const XML_Char* attribute)
{
    if (!attribute)
        return IdType::other;
    const QString lower = QString::fromUtf8(attribute).toLower();
    if (lower == u"doi")
        return IdType::doi;
    if (lower == u"pii")
        return IdType::pii;
    if (lower == u"bookaccession")
        return IdType::bookAccession;
    return IdType::other;
}

const XML_Char* attribute(const XML_Char** attributes, const char* name)
{
    for (const XML_Char** a = attributes; a && *a; a += 2) {
        if (std::strcmp(a[0], name) == 0)
            return a[1];
    }
    return nullptr;
}

using PubMedElements::Element;

// The per-call parse state. It receives expat's events, keeps a stack of the open
// elements and recognises each field by its element name and the element around it.
class Delegate final
{
public:
    explicit Delegate(XML_Parser parser) : m_parser(parser) { m_path.reserve(32); }
    Q_DISABLE_COPY_MOVE(Delegate)

    static void XMLCALL onStart(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        static_cast<Delegate*>(self)->start(name, attributes);
    }
    static void XMLCALL onEnd(void* self, const XML_Char*) { static_cast<Delegate*>(self)->end(); }
    // efetch documents declare no entities; a declared one could expand to markup and
    // multiply the records within expat's amplification limit, so any declaration ends
    // the parse before anything is expanded.
    static void XMLCALL onEntityDeclaration(void* self, const XML_Char*, int, const XML_Char*, int,
                                            const XML_Char*, const XML_Char*, const XML_Char*,
                                            const XML_Char*)
    {
        auto* d = static_cast<Delegate*>(self);
        if (!d->m_abortReason)
            d->abort(QStringLiteral("the document declares an entity"));
    }
    static void XMLCALL onText(void* self, const XML_Char* s, int length)
    {
        auto* d = static_cast<Delegate*>(self);
        if (d->m_keepText && !d->m_abortReason)
            d->m_text.append(s, size_t(length));
    }

    QList<ArticleMetadata> articles;
    bool sawArticleSet = false;
    [[nodiscard]] const std::optional<QString>& abortReason() const { return m_abortReason; }

private:
    void start(const XML_Char* name, const XML_Char** attributes);
    void end();
    void endField(Element element, Element parent);
    void completeAuthor();
    void completeRecord();
    void pop();
    void abort(const QString& reason);

    [[nodiscard]] Element parent() const
    {
        return m_path.size() >= 2 ? m_path[m_path.size() - 2] : Element::none;
    }
    [[nodiscard]] QString value() const { return collapsed(m_text); }
    [[nodiscard]] std::optional<QString> optionalValue() const { return nonEmpty(value()); }

    XML_Parser m_parser;
    std::optional<QString> m_abortReason;
    std::vector<Element> m_path;
    // Character data since the last tag, as UTF-8; kept only where a field can use it.
    std::string m_text;
    bool m_keepText = false;
    std::optional<ArticleMetadata> m_current;
    QList<ArticleAuthor> m_bookAuthors;
    ArticleDate m_contribution;
    std::optional<ArticleAuthor> m_author;
    bool m_authorIsValid = true;
    bool m_authorListIsEditors = false;
    Element m_authorListOwner = Element::none;
    // A title whose whole content, inline markup included, is being gathered.
    std::optional<Element> m_collecting;
    IdType m_elocationType = IdType::other;
    IdType m_articleIdType = IdType::other;
};

void Delegate::start(const XML_Char* name, const XML_Char** attributes)
{
    if (m_abortReason)
        return;
    if (m_path.size() >= size_t(PubMedArticleParser::maximumDepth)) {
        abort(QStringLiteral("elements nested more than %1 levels deep")
                  .arg(PubMedArticleParser::maximumDepth));
        return;
    }
    const Element element = PubMedElements::element(name);
    m_path.push_back(element);
    if (m_collecting)
        return; // inline markup inside a title: its text keeps accumulating
    m_text.clear();
    m_keepText = PubMedElements::carriesText(element);

    switch (element) {
    case Element::PubmedArticleSet:
        sawArticleSet = true;
        break;
    case Element::PubmedArticle:
    case Element::PubmedBookArticle:
        m_current = ArticleMetadata{};
        m_current->kind =
            element == Element::PubmedArticle ? ArticleKind::journalArticle : ArticleKind::bookChapter;
        m_bookAuthors.clear();
        m_contribution = ArticleDate{};
        break;
    case Element::ArticleTitle:
        if (parent() == Element::Article || parent() == Element::BookDocument)
            m_collecting = element;
        break;
    case Element::BookTitle:
        if (parent() == Element::Book)
            m_collecting = element;
        break;
    case Element::AuthorList: {
        const XML_Char* type = attribute(attributes, "Type");
        m_authorListIsEditors = type && QString::fromUtf8(type).toLower() == u"editors";
        m_authorListOwner = parent();
        break;
    }
    case Element::Author: {
        m_author = ArticleAuthor{};
        const XML_Char* valid = attribute(attributes, "ValidYN");
        m_authorIsValid = !(valid && std::strcmp(valid, "N") == 0);
        break;
    }
    case Element::ELocationID:
        m_elocationType = idType(attribute(attributes, "EIdType"));
        break;
    case Element::ArticleId:
        m_articleIdType = idType(attribute(attributes, "IdType"));
        break;
    default:
        break;
    }
    if (m_collecting)
        m_keepText = true;
}

void Delegate::end()
{
    if (m_abortReason || m_path.empty())
        return;
    // expat rejects mismatched end tags, so the ending element is the innermost one.
    const Element element = m_path.back();
    if (m_collecting) {
        if (element != *m_collecting) {
            pop();
            return;
        }
        std::optional<QString> title = optionalValue();
        if (m_current) {
            if (element == Element::ArticleTitle)
                m_current->title = std::move(title);
            else
                m_current->bookTitle = std::move(title);
        }
        m_collecting.reset();
        m_text.clear();
        pop();
        return;
    }
    endField(element, parent());
    m_text.clear();
    pop();
}

void Delegate::endField(Element element, Element parent)
{
    ArticleMetadata* m = m_current ? &*m_current : nullptr;
    switch (element) {
    case Element::PMID:
        if (m && (parent == Element::MedlineCitation || parent == Element::BookDocument)) {
            const QString v = value();
            m->pmid = PubMed::canonicalPMID(v).value_or(v);
        }
        break;
    case Element::Title:
        if (m && parent == Element::Journal)
            m->journalTitle = optionalValue();
        break;
    case Element::ISOAbbreviation:
        if (m && parent == Element::Journal)
            m->journalAbbreviation = optionalValue();
        break;
    case Element::Volume:
        if (m && parent == Element::JournalIssue)
            m->volume = optionalValue();
        break;
    case Element::Issue:
        if (m && parent == Element::JournalIssue)
            m->issue = optionalValue();
        break;
    case Element::Year:
        if (parent == Element::PubDate && m)
            m->year = optionalValue();
        else if (parent == Element::ContributionDate)
            m_contribution.year = optionalValue();
        break;
    case Element::Month:
        if (parent == Element::PubDate && m)
            m->month = optionalValue();
        else if (parent == Element::ContributionDate)
            m_contribution.month = optionalValue();
        break;
    case Element::Day:
        if (parent == Element::PubDate && m)
            m->day = optionalValue();
        else if (parent == Element::ContributionDate)
            m_contribution.day = optionalValue();
        break;
    case Element::Season:
        if (m && parent == Element::PubDate && !m->month)
            m->month = optionalValue();
        break;
    case Element::MedlineDate:
        if (m && parent == Element::PubDate) {
            auto [year, month] = medlineDate(value());
            if (!m->year)
                m->year = std::move(year);
            if (!m->month)
                m->month = std::move(month);
        }
        break;
    case Element::MedlinePgn:
        if (m && parent == Element::Pagination)
            m->pages = optionalValue();
        break;
    case Element::ELocationID:
        if (m && m_elocationType == IdType::doi) {
            if (!m->doi)
                m->doi = optionalValue();
        } else if (m && m_elocationType == IdType::pii && !m->articleNumber) {
            const QString v = value();
            if (isArticleNumber(v))
                m->articleNumber = v;
        }
        break;
    case Element::ArticleId: {
        const Element outer = m_path.size() >= 3 ? m_path[m_path.size() - 3] : Element::none;
        if (!m || parent != Element::ArticleIdList)
            break;
        if (m_articleIdType == IdType::doi && outer == Element::PubmedData) {
            if (QString v = value(); !v.isEmpty())
                m->doi = std::move(v);
        } else if (m_articleIdType == IdType::bookAccession && outer == Element::BookDocument) {
            m->bookshelfID = optionalValue();
        }
        break;
    }
    case Element::PublisherName:
        if (m && parent == Element::Publisher)
            m->publisher = optionalValue();
        break;
    case Element::PublisherLocation:
        if (m && parent == Element::Publisher)
            m->publisherLocation = optionalValue();
        break;
    case Element::PublicationType:
        if (m) {
            if (QString v = value(); !v.isEmpty())
                m->publicationTypes.append(std::move(v));
        }
        break;
    case Element::LastName:
        if (m_author && parent == Element::Author)
            m_author->lastName = optionalValue();
        break;
    case Element::ForeName:
        if (m_author && parent == Element::Author)
            m_author->foreName = optionalValue();
        break;
    case Element::Initials:
        if (m_author && parent == Element::Author)
            m_author->initials = optionalValue();
        break;
    case Element::Suffix:
        if (m_author && parent == Element::Author)
            m_author->suffix = optionalValue();
        break;
    case Element::CollectiveName:
        if (m_author && parent == Element::Author)
            m_author->collectiveName = optionalValue();
        break;
    case Element::Author:
        completeAuthor();
        break;
    case Element::PubmedArticle:
    case Element::PubmedBookArticle:
        completeRecord();
        break;
    default:
        break;
    }
}

// Authors marked invalid, and entries with neither a last name nor a group name, are dropped.
void Delegate::completeAuthor()
{
    std::optional<ArticleAuthor> author = std::exchange(m_author, std::nullopt);
    if (!m_authorIsValid || !author || !m_current || (!author->lastName && !author->collectiveName))
        return;
    if (m_authorListIsEditors)
        m_current->editors.append(std::move(*author));
    else if (m_authorListOwner == Element::Book)
        m_bookAuthors.append(std::move(*author));
    else
        m_current->authors.append(std::move(*author));
}

// A record without a PMID is dropped. A whole book, or a chapter without authors of
// its own, takes the book's authors.
void Delegate::completeRecord()
{
    std::optional<ArticleMetadata> record = std::exchange(m_current, std::nullopt);
    if (!record || record->pmid.isEmpty())
        return;
    if (record->authors.isEmpty())
        record->authors = m_bookAuthors;
    if (m_contribution.year)
        record->contributionDate = m_contribution;
    articles.append(std::move(*record));
}

void Delegate::pop()
{
    m_path.pop_back();
    m_keepText = m_collecting || (!m_path.empty() && PubMedElements::carriesText(m_path.back()));
}

// Stops the parse with reason, placed at the event being handled.
void Delegate::abort(const QString& reason)
{
    m_abortReason = reason + QStringLiteral(" (line %1, column %2)")
                                 .arg(XML_GetCurrentLineNumber(m_parser))
                                 .arg(XML_GetCurrentColumnNumber(m_parser) + 1);
    XML_StopParser(m_parser, XML_FALSE);
}

LiteratureError unreadable(const QString& description)
{
    return LiteratureError::malformedResponse(QStringLiteral("PubMed returned unreadable XML: ") +
                                              description);
}

QString errorDescription(XML_Parser parser, const Delegate& delegate)
{
    if (delegate.abortReason())
        return *delegate.abortReason();
    const XML_LChar* message = XML_ErrorString(XML_GetErrorCode(parser));
    if (!message)
        return QStringLiteral("unknown XML error");
    return QString::fromUtf8(message) + QStringLiteral(" (line %1, column %2)")
                                            .arg(XML_GetCurrentLineNumber(parser))
                                            .arg(XML_GetCurrentColumnNumber(parser) + 1);
}

} // namespace

namespace PubMedArticleParser {

std::expected<QList<ArticleMetadata>, LiteratureError> parse(QByteArrayView body)
{
    // No namespace processing: prefixed names such as mml:math arrive as written.
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> owner(XML_ParserCreate(nullptr),
                                                                             &XML_ParserFree);
    if (!owner)
        return std::unexpected(unreadable(QStringLiteral("unknown XML error")));
    XML_Parser parser = owner.get();
    // The DOCTYPE's external DTD and any external entity are never read: no parameter
    // entity parsing and no external-entity handler.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(parser, maximumAmplification);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(parser, amplificationThresholdBytes);

    Delegate delegate(parser);
    XML_SetUserData(parser, &delegate);
    XML_SetElementHandler(parser, &Delegate::onStart, &Delegate::onEnd);
    XML_SetCharacterDataHandler(parser, &Delegate::onText);
    XML_SetEntityDeclHandler(parser, &Delegate::onEntityDeclaration);

    qsizetype offset = 0;
    do {
        const qsizetype length = std::min(body.size() - offset, feedChunkBytes);
        const bool last = offset + length == body.size();
        if (XML_Parse(parser, body.data() + offset, int(length), last ? XML_TRUE : XML_FALSE) !=
            XML_STATUS_OK)
            return std::unexpected(unreadable(errorDescription(parser, delegate)));
        offset += length;
    } while (offset < body.size());

    if (!delegate.sawArticleSet)
        return std::unexpected(LiteratureError::malformedResponse(
            QStringLiteral("PubMed returned XML without a PubmedArticleSet.")));
    return std::move(delegate.articles);
}

} // namespace PubMedArticleParser
