#pragma once

#include "pubmed/ArticleMetadata.h"

#include <QList>
#include <QString>

#include <optional>

// A normalised personal or group name, as every citation style and export renders it.
//
// Names come from PubMed author records (fromArticle) or from the free-text author
// strings of the citation service (parse), such as "Smith JA", "John A. Smith",
// "Smith, J. A., Jr.", "Ludwig van Beethoven" or "SARS-CoV-2 Genomics Consortium".
// Character classes (letter, number, upper case) follow Unicode; lengths count
// user-perceived characters.
struct AuthorName
{
    // Family name with its particles ("van Beethoven"); for a group, the whole name.
    QString surname;
    // Given-name tokens in order: full names ("John"), initials ("JA", "J.", "J.-P.")
    // or hyphenated names ("Jean-Paul").
    QList<QString> givenNames;
    // Generational suffix as written, without a final full stop ("Jr", "III").
    std::optional<QString> suffix;
    // A group or organisation: rendered as surname alone in every form.
    bool isCorporate = false;
    // PubMed's initials ("JA"), only for names read from PubMed.
    std::optional<QString> initials;

    // Reads a free-text author string; absent for blank text and placeholders such
    // as "et al." or "[No authors listed]".
    static std::optional<AuthorName> parse(const QString& text);
    // Reads a PubMed author record; absent when it has neither a collective name nor
    // a last name.
    static std::optional<AuthorName> fromArticle(const ArticleAuthor& author);

    // Given names first: "John A. Smith Jr." (full) or "J. A. Smith Jr." (initials).
    [[nodiscard]] QString natural(bool fullGivenNames) const;
    // Surname first: "Smith, John A." (full) or "Smith, J. A., Jr." (initials).
    [[nodiscard]] QString inverted(bool fullGivenNames) const;
    // "J. A."; hyphenated names keep their hyphen ("J.-P.").
    [[nodiscard]] QString spacedInitials() const;
    // "JA"; hyphenated names give their letters only ("JP").
    [[nodiscard]] QString compactInitials() const;
    // The given-name part of natural and inverted: spacedInitials when not full;
    // when full, each token as written except initials tokens, which are spaced
    // ("John A." stays, "JA" becomes "J. A."). Empty without given names.
    [[nodiscard]] QString givenText(bool full) const;
    // The suffix with a full stop after "Jr" and "Sr" ("Jr."; "III" unchanged); empty
    // without a suffix.
    [[nodiscard]] QString suffixText() const;

    // The rules behind parse, public for the formatters and the tests.
    //
    // With "." and "-" removed, 1 to 3 characters, all upper-case letters (JA, J.-P.).
    static bool isInitialsToken(const QString& token);
    // Blank, "et al", "no authors listed" or "anonymous author", in any case and
    // enclosed in brackets or punctuation.
    static bool isPlaceholder(const QString& text);
    // A group author: a number, a marker word such as "Consortium" or "Study" (with
    // two or more words, unless the other word is initials), or "task force".
    static bool looksCorporate(const QString& collapsedText);
    // Removes and returns a trailing generational suffix when more than
    // minimumRemaining tokens exist; "II" and "IV" need one token more, since they
    // may be initials.
    static std::optional<QString> takeSuffix(QList<QString>& tokens, qsizetype minimumRemaining);
    // The initial letters of a given-name token, one list per hyphen piece.
    static QList<QList<QString>> initialLetters(const QString& token);

    friend bool operator==(const AuthorName&, const AuthorName&) = default;
};
size_t qHash(const AuthorName& value, size_t seed = 0);
