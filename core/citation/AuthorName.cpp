#include "AuthorName.h"

#include "CitationText.h"
#include "literature/Hashing.h"

#include <algorithm>
#include <array>

namespace {

using CitationText::characters;
using CitationText::collapse;
using CitationText::trimmed;

constexpr auto particles = std::to_array<QStringView>(
    {u"van", u"von", u"vander", u"vanden", u"de",  u"der", u"den", u"del", u"della", u"delle", u"di",
     u"da",  u"do",  u"dos",    u"das",    u"du",  u"la",  u"le",  u"les", u"ter",   u"ten",   u"af",
     u"av",  u"zu",  u"zur",    u"bin",    u"ibn", u"al",  u"el",  u"y",   u"e",     u"of"});
static_assert(particles.size() == 32);

constexpr auto suffixes = std::to_array<QStringView>({u"jr", u"sr", u"ii", u"iii", u"iv", u"2nd", u"3rd"});
static_assert(suffixes.size() == 7);

constexpr auto corporateMarkers = std::to_array<QStringView>(
    {u"group",      u"consortium",   u"collaboration", u"collaborative", u"collaborators", u"investigators",
     u"committee",  u"network",      u"team",          u"study",         u"society",       u"association",
     u"institute",  u"organization", u"organisation",  u"project",       u"alliance",      u"foundation",
     u"center",     u"centre",       u"centers",       u"centres",       u"initiative",    u"trial",
     u"panel",      u"program",      u"programme",     u"working",       u"council",       u"agency",
     u"department", u"university",   u"hospital",      u"laboratory",    u"cohort",        u"registry"});
static_assert(corporateMarkers.size() == 36);

constexpr QStringView corporatePhrase = u"task force";

template <size_t N>
bool contains(const std::array<QStringView, N>& words, QStringView word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

bool isSuffixWord(const QString& token)
{
    return contains(suffixes, trimmed(token, u".,").toLower());
}

// A particle written all in lower case ("van") or capitalised ("Van"), never in
// capitals alone: "Y" in "Maria Y Lopez" is an initial.
bool isParticle(const QString& token)
{
    const QString lower = token.toLower();
    if (!contains(particles, lower))
        return false;
    if (token == lower)
        return true;
    const QList<QStringView> chars = characters(token);
    if (chars.size() < 2 || !CitationText::isUppercaseLetter(chars.front()))
        return false;
    return std::all_of(chars.begin() + 1, chars.end(), CitationText::isLowercaseLetter);
}

QList<QString> splitAtSpacesAndCommas(const QString& text)
{
    QList<QString> tokens;
    QString current;
    for (const QChar c : text) {
        if (c.isSpace() || c == u',') {
            if (!current.isEmpty())
                tokens.append(std::exchange(current, QString()));
        } else {
            current.append(c);
        }
    }
    if (!current.isEmpty())
        tokens.append(current);
    return tokens;
}

// Lower case, letters and "-" only.
QString markerForm(const QString& token)
{
    const QString lower = token.toLower();
    QString out;
    for (const QStringView c : characters(lower)) {
        if (c == u"-" || CitationText::isLetter(c))
            out.append(c);
    }
    return out;
}

QString joined(const QList<QString>& tokens, qsizetype from, qsizetype to)
{
    return tokens.mid(from, to - from).join(u' ');
}

AuthorName corporate(const QString& name)
{
    AuthorName n;
    n.surname = name;
    n.isCorporate = true;
    return n;
}

// Initials of one given-name token as spacedInitials writes them ("J. A.", "J.-P.").
QString spacedInitials(const QString& token)
{
    QList<QString> pieces;
    for (const QList<QString>& letters : AuthorName::initialLetters(token)) {
        QList<QString> dotted;
        for (const QString& letter : letters)
            dotted.append(letter + u'.');
        pieces.append(dotted.join(u' '));
    }
    return pieces.join(u'-');
}

QList<QString> lettersOf(const QString& text)
{
    QList<QString> out;
    for (const QStringView c : characters(text)) {
        if (CitationText::isLetter(c))
            out.append(c.toString());
    }
    return out;
}

QString joinNonEmpty(const QList<QString>& items, QChar separator)
{
    QList<QString> kept;
    for (const QString& item : items) {
        if (!item.isEmpty())
            kept.append(item);
    }
    return kept.join(separator);
}

} // namespace

bool AuthorName::isInitialsToken(const QString& token)
{
    const QString bare = CitationText::removing(token, u".-");
    const QList<QStringView> chars = characters(bare);
    return !chars.isEmpty() && chars.size() <= 3 &&
           std::all_of(chars.begin(), chars.end(), CitationText::isUppercaseLetter);
}

bool AuthorName::isPlaceholder(const QString& text)
{
    const QString core = trimmed(text.toLower(), u"[].,;: ");
    return core.isEmpty() || core == u"no authors listed" || core == u"et al" || core == u"anonymous author";
}

std::optional<QString> AuthorName::takeSuffix(QList<QString>& tokens, qsizetype minimumRemaining)
{
    if (tokens.isEmpty() || tokens.size() <= minimumRemaining)
        return std::nullopt;
    const QString word = trimmed(tokens.last(), u".,");
    const QString lower = word.toLower();
    if (!contains(suffixes, lower))
        return std::nullopt;
    if ((lower == u"ii" || lower == u"iv") && tokens.size() < minimumRemaining + 2)
        return std::nullopt;
    tokens.removeLast();
    return word;
}

bool AuthorName::looksCorporate(const QString& collapsedText)
{
    QList<QString> tokens = splitAtSpacesAndCommas(collapsedText);
    while (tokens.size() >= 2 && isSuffixWord(tokens.last()))
        tokens.removeLast();
    for (const QString& token : tokens) {
        if (CitationText::containsNumber(token))
            return true;
    }
    QList<QString> normalized;
    normalized.reserve(tokens.size());
    for (const QString& token : tokens)
        normalized.append(markerForm(token));
    if (normalized.join(u' ').contains(corporatePhrase))
        return true;
    const bool hasMarker = std::any_of(normalized.begin(), normalized.end(),
                                       [](const QString& t) { return contains(corporateMarkers, t); });
    if (!hasMarker || tokens.size() == 1)
        return false;
    if (tokens.size() == 2)
        return !isInitialsToken(tokens.at(0)) && !isInitialsToken(tokens.at(1));
    return true;
}

std::optional<AuthorName> AuthorName::parse(const QString& text)
{
    const QString name = collapse(text);
    if (name.isEmpty() || isPlaceholder(name))
        return std::nullopt;
    if (looksCorporate(name))
        return corporate(name);

    AuthorName result;
    const qsizetype comma = name.indexOf(u',');
    if (comma >= 0) {
        result.surname = trimmed(name.first(comma), u" ");
        if (result.surname.isEmpty())
            return std::nullopt;
        QList<QString> tokens = splitAtSpacesAndCommas(name.sliced(comma + 1));
        result.suffix = takeSuffix(tokens, 0);
        result.givenNames = tokens;
        return result;
    }

    QList<QString> tokens = name.split(u' ', Qt::SkipEmptyParts);
    result.suffix = takeSuffix(tokens, 1);
    const qsizetype count = tokens.size();
    if (count == 0)
        return std::nullopt;
    if (count == 1) {
        result.surname = tokens.first();
        return result;
    }

    const bool firstIsInitials = isInitialsToken(tokens.first());
    const bool lastIsInitials = isInitialsToken(tokens.last());
    if (firstIsInitials && lastIsInitials) {
        // "AB CD": the shorter token is the initials; on a tie the first is the surname.
        if (characters(tokens.first()).size() < characters(tokens.last()).size()) {
            result.surname = tokens.last();
            result.givenNames = tokens.first(count - 1);
        } else {
            result.surname = tokens.first();
            result.givenNames = tokens.sliced(1);
        }
    } else if (firstIsInitials) {
        // "J. A. Smith"
        qsizetype run = 0;
        while (run < count && isInitialsToken(tokens.at(run)))
            ++run;
        result.givenNames = tokens.first(run);
        result.surname = joined(tokens, run, count);
    } else if (lastIsInitials) {
        // "Smith JA", "van der Berg JA"
        result.surname = joined(tokens, 0, count - 1);
        result.givenNames = {tokens.last()};
    } else {
        // "John Smith", "Ludwig van Beethoven": the surname takes the particles
        // before the last word, but never the first word.
        qsizetype start = count - 1;
        while (count > 2 && start - 1 > 0 && isParticle(tokens.at(start - 1)))
            --start;
        result.givenNames = tokens.first(start);
        result.surname = joined(tokens, start, count);
    }
    return result;
}

std::optional<AuthorName> AuthorName::fromArticle(const ArticleAuthor& author)
{
    if (author.collectiveName) {
        const QString group = collapse(*author.collectiveName);
        if (!group.isEmpty())
            return corporate(group);
    }
    const QString lastName = collapse(author.lastName.value_or(QString()));
    if (lastName.isEmpty())
        return std::nullopt;

    AuthorName result;
    result.surname = lastName;
    result.givenNames = collapse(author.foreName.value_or(QString())).split(u' ', Qt::SkipEmptyParts);
    const QString initials = collapse(author.initials.value_or(QString()));
    if (!initials.isEmpty())
        result.initials = initials;
    const QString suffix = collapse(author.suffix.value_or(QString()));
    if (!suffix.isEmpty())
        result.suffix = suffix;

    // Records that put the suffix in the last name ("Jr", fore name "John Smith").
    if (!result.suffix && isSuffixWord(lastName) && result.givenNames.size() >= 2) {
        result.surname = result.givenNames.takeLast();
        result.suffix = lastName;
        result.initials.reset();
    }
    if (result.initials && result.givenNames.isEmpty())
        result.givenNames = {*result.initials};
    return result;
}

QList<QList<QString>> AuthorName::initialLetters(const QString& token)
{
    QList<QList<QString>> out;
    for (const QString& piece : token.split(u'-', Qt::SkipEmptyParts)) {
        const QString bare = CitationText::removing(piece, u".");
        if (isInitialsToken(bare)) {
            out.append(lettersOf(bare));
            continue;
        }
        const QList<QStringView> chars = characters(bare);
        // A piece of full stops alone has no initial.
        if (!chars.isEmpty())
            out.append({chars.front().toString().toUpper()});
    }
    return out;
}

QString AuthorName::spacedInitials() const
{
    if (initials) {
        QList<QString> dotted;
        for (const QString& letter : lettersOf(*initials))
            dotted.append(letter + u'.');
        return dotted.join(u' ');
    }
    QList<QString> parts;
    for (const QString& given : givenNames)
        parts.append(::spacedInitials(given));
    return joinNonEmpty(parts, u' ');
}

QString AuthorName::compactInitials() const
{
    if (initials)
        return lettersOf(*initials).join(QString());
    QString out;
    for (const QString& given : givenNames) {
        for (const QList<QString>& letters : initialLetters(given))
            out += letters.join(QString());
    }
    return out;
}

QString AuthorName::givenText(bool full) const
{
    if (givenNames.isEmpty())
        return {};
    if (!full)
        return spacedInitials();
    QList<QString> parts;
    for (const QString& given : givenNames)
        parts.append(isInitialsToken(given) ? ::spacedInitials(given) : given);
    return joinNonEmpty(parts, u' ');
}

QString AuthorName::suffixText() const
{
    if (!suffix)
        return {};
    const QString lower = suffix->toLower();
    return lower == u"jr" || lower == u"sr" ? *suffix + u'.' : *suffix;
}

QString AuthorName::natural(bool fullGivenNames) const
{
    if (isCorporate)
        return surname;
    return joinNonEmpty({givenText(fullGivenNames), surname, suffixText()}, u' ');
}

QString AuthorName::inverted(bool fullGivenNames) const
{
    if (isCorporate)
        return surname;
    QString out = surname;
    const QString given = givenText(fullGivenNames);
    if (!given.isEmpty())
        out += QStringLiteral(", ") + given;
    const QString suffixPart = suffixText();
    if (!suffixPart.isEmpty())
        out += QStringLiteral(", ") + suffixPart;
    return out;
}

size_t qHash(const AuthorName& v, size_t seed)
{
    return HashCombiner(seed)(v.surname)(v.givenNames)(v.suffix)(v.isCorporate)(v.initials).value();
}
