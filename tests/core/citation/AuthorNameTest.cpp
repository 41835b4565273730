#include "citation/AuthorName.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::string show(const QString& s)
{
    return s.toStdString();
}

struct Forms
{
    QString naturalInitials;
    QString naturalFull;
    QString invertedInitials;
    QString invertedFull;
};

void expectForms(const AuthorName& name, const Forms& want, const QString& context)
{
    EXPECT_EQ(name.natural(false), want.naturalInitials) << show(context);
    EXPECT_EQ(name.natural(true), want.naturalFull) << show(context);
    EXPECT_EQ(name.inverted(false), want.invertedInitials) << show(context);
    EXPECT_EQ(name.inverted(true), want.invertedFull) << show(context);
}

} // namespace

TEST(AuthorName, ParsesFreeTextNames)
{
    struct Row
    {
        QString input;
        QString surname;
        QList<QString> given;
        std::optional<QString> suffix;
        Forms forms;
    };
    // clang-format off
    const QList<Row> rows = {
        {u"Smith JA"_s, u"Smith"_s, {u"JA"_s}, {},
         {u"J. A. Smith"_s, u"J. A. Smith"_s, u"Smith, J. A."_s, u"Smith, J. A."_s}},
        {u"John A. Smith"_s, u"Smith"_s, {u"John"_s, u"A."_s}, {},
         {u"J. A. Smith"_s, u"John A. Smith"_s, u"Smith, J. A."_s, u"Smith, John A."_s}},
        {u"J. A. Smith"_s, u"Smith"_s, {u"J."_s, u"A."_s}, {},
         {u"J. A. Smith"_s, u"J. A. Smith"_s, u"Smith, J. A."_s, u"Smith, J. A."_s}},
        {u"Smith, J. A., Jr."_s, u"Smith"_s, {u"J."_s, u"A."_s}, u"Jr"_s,
         {u"J. A. Smith Jr."_s, u"J. A. Smith Jr."_s, u"Smith, J. A., Jr."_s, u"Smith, J. A., Jr."_s}},
        {u"Smith, Jr."_s, u"Smith"_s, {}, u"Jr"_s,
         {u"Smith Jr."_s, u"Smith Jr."_s, u"Smith, Jr."_s, u"Smith, Jr."_s}},
        {u"  Smith ,\tJohn  Paul "_s, u"Smith"_s, {u"John"_s, u"Paul"_s}, {},
         {u"J. P. Smith"_s, u"John Paul Smith"_s, u"Smith, J. P."_s, u"Smith, John Paul"_s}},
        {u"Ludwig van Beethoven"_s, u"van Beethoven"_s, {u"Ludwig"_s}, {},
         {u"L. van Beethoven"_s, u"Ludwig van Beethoven"_s, u"van Beethoven, L."_s, u"van Beethoven, Ludwig"_s}},
        {u"Jean De La Fontaine"_s, u"De La Fontaine"_s, {u"Jean"_s}, {},
         {u"J. De La Fontaine"_s, u"Jean De La Fontaine"_s, u"De La Fontaine, J."_s, u"De La Fontaine, Jean"_s}},
        // A capital Y is an initial, a lower-case y a particle.
        {u"Maria Y Lopez"_s, u"Lopez"_s, {u"Maria"_s, u"Y"_s}, {},
         {u"M. Y. Lopez"_s, u"Maria Y. Lopez"_s, u"Lopez, M. Y."_s, u"Lopez, Maria Y."_s}},
        {u"Maria y Lopez"_s, u"y Lopez"_s, {u"Maria"_s}, {},
         {u"M. y Lopez"_s, u"Maria y Lopez"_s, u"y Lopez, M."_s, u"y Lopez, Maria"_s}},
        // The particle never takes the first word.
        {u"Van Smith"_s, u"Smith"_s, {u"Van"_s}, {},
         {u"V. Smith"_s, u"Van Smith"_s, u"Smith, V."_s, u"Smith, Van"_s}},
        {u"van der Berg JA"_s, u"van der Berg"_s, {u"JA"_s}, {},
         {u"J. A. van der Berg"_s, u"J. A. van der Berg"_s, u"van der Berg, J. A."_s, u"van der Berg, J. A."_s}},
        {u"John Smith II"_s, u"Smith"_s, {u"John"_s}, u"II"_s,
         {u"J. Smith II"_s, u"John Smith II"_s, u"Smith, J., II"_s, u"Smith, John, II"_s}},
        {u"John Smith 2nd"_s, u"Smith"_s, {u"John"_s}, u"2nd"_s,
         {u"J. Smith 2nd"_s, u"John Smith 2nd"_s, u"Smith, J., 2nd"_s, u"Smith, John, 2nd"_s}},
        // Too few words: II is read as initials.
        {u"Smith II"_s, u"Smith"_s, {u"II"_s}, {},
         {u"I. I. Smith"_s, u"I. I. Smith"_s, u"Smith, I. I."_s, u"Smith, I. I."_s}},
        {u"AB CD"_s, u"AB"_s, {u"CD"_s}, {},
         {u"C. D. AB"_s, u"C. D. AB"_s, u"AB, C. D."_s, u"AB, C. D."_s}},
        {u"J AB"_s, u"AB"_s, {u"J"_s}, {},
         {u"J. AB"_s, u"J. AB"_s, u"AB, J."_s, u"AB, J."_s}},
        {u"Jean-Paul Sartre"_s, u"Sartre"_s, {u"Jean-Paul"_s}, {},
         {u"J.-P. Sartre"_s, u"Jean-Paul Sartre"_s, u"Sartre, J.-P."_s, u"Sartre, Jean-Paul"_s}},
        {u"Sartre J.-P."_s, u"Sartre"_s, {u"J.-P."_s}, {},
         {u"J.-P. Sartre"_s, u"J.-P. Sartre"_s, u"Sartre, J.-P."_s, u"Sartre, J.-P."_s}},
        {u"Anonymous"_s, u"Anonymous"_s, {}, {},
         {u"Anonymous"_s, u"Anonymous"_s, u"Anonymous"_s, u"Anonymous"_s}},
        {u"Group"_s, u"Group"_s, {}, {}, {u"Group"_s, u"Group"_s, u"Group"_s, u"Group"_s}},
        {u"Team JA"_s, u"Team"_s, {u"JA"_s}, {},
         {u"J. A. Team"_s, u"J. A. Team"_s, u"Team, J. A."_s, u"Team, J. A."_s}},
        // Unicode letters and upper case beyond ASCII, and a decomposed É as one initial.
        {u"\u00c5sa \u00d6deg\u00e5rd"_s, u"\u00d6deg\u00e5rd"_s, {u"\u00c5sa"_s}, {},
         {u"\u00c5. \u00d6deg\u00e5rd"_s, u"\u00c5sa \u00d6deg\u00e5rd"_s, u"\u00d6deg\u00e5rd, \u00c5."_s,
          u"\u00d6deg\u00e5rd, \u00c5sa"_s}},
        {u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2 \u0393\u039a"_s,
         u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2"_s, {u"\u0393\u039a"_s}, {},
         {u"\u0393. \u039a. \u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2"_s,
          u"\u0393. \u039a. \u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2"_s,
          u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2, \u0393. \u039a."_s,
          u"\u03a0\u03b1\u03c0\u03b1\u03b4\u03cc\u03c0\u03bf\u03c5\u03bb\u03bf\u03c2, \u0393. \u039a."_s}},
        {u"Smith E\u0301J"_s, u"Smith"_s, {u"E\u0301J"_s}, {},
         {u"E\u0301. J. Smith"_s, u"E\u0301. J. Smith"_s, u"Smith, E\u0301. J."_s, u"Smith, E\u0301. J."_s}},
        // A token of full stops alone has no initial and leaves no gap.
        {u"John . Smith"_s, u"Smith"_s, {u"John"_s, u"."_s}, {},
         {u"J. Smith"_s, u"John . Smith"_s, u"Smith, J."_s, u"Smith, John ."_s}},
    };
    // clang-format on
    for (const Row& row : rows) {
        const std::optional<AuthorName> name = AuthorName::parse(row.input);
        ASSERT_TRUE(name.has_value()) << show(row.input);
        EXPECT_EQ(name->surname, row.surname) << show(row.input);
        EXPECT_EQ(name->givenNames, row.given) << show(row.input);
        EXPECT_EQ(name->suffix, row.suffix) << show(row.input);
        EXPECT_FALSE(name->isCorporate) << show(row.input);
        EXPECT_FALSE(name->initials.has_value()) << show(row.input);
        expectForms(*name, row.forms, row.input);
    }
}

TEST(AuthorName, PlaceholdersAndBlanksGiveNothing)
{
    for (const QString& text : {u""_s, u" \n\t "_s, u"et al."_s, u"ET AL"_s, u"[No authors listed]"_s,
                                u"anonymous AUTHOR;"_s, u", John"_s, u"..."_s}) {
        EXPECT_FALSE(AuthorName::parse(text).has_value()) << show(text);
    }
}

TEST(AuthorName, GroupAuthorsAreRenderedWhole)
{
    for (const QString& text :
         {u"Study Group"_s, u"the SARS-CoV-2 Genomics Consortium"_s, u"COVID-19 Investigators"_s,
          u"National Task Force on Sleep"_s, u"Collaborators of the Sleep Registry, Jr"_s}) {
        const std::optional<AuthorName> name = AuthorName::parse(text);
        ASSERT_TRUE(name.has_value()) << show(text);
        EXPECT_TRUE(name->isCorporate) << show(text);
        expectForms(*name, {text, text, text, text}, text);
        EXPECT_TRUE(name->givenNames.isEmpty());
    }
    EXPECT_EQ(AuthorName::parse(u"  Study \n Group "_s)->surname, u"Study Group"_s);
}

TEST(AuthorName, ClassificationRules)
{
    for (const QString& t : {u"JA"_s, u"J."_s, u"J.-P."_s, u"ABC"_s, u"\u00c9"_s, u"E\u0301AB"_s})
        EXPECT_TRUE(AuthorName::isInitialsToken(t)) << show(t);
    for (const QString& t : {u"ABCD"_s, u"Jr"_s, u"j"_s, u""_s, u".-"_s, u"J1"_s, u"\u00e9"_s})
        EXPECT_FALSE(AuthorName::isInitialsToken(t)) << show(t);

    struct Row
    {
        QString text;
        bool corporate;
    };
    const QList<Row> rows = {
        {u"Study Group"_s, true},        {u"Group"_s, false},
        {u"Team JA"_s, false},           {u"JA Team"_s, false},
        {u"Smith 2nd"_s, false},         {u"Room 101"_s, true},
        {u"Task Force"_s, true},         {u"Brown University Hospital"_s, true},
        {u"John Smith"_s, false},        {u"Group Smith JA"_s, true},
        {u"\u0661\u0662 Smith"_s, true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AuthorName::looksCorporate(row.text), row.corporate) << show(row.text);

    QList<QString> tokens{u"Smith"_s, u"IV"_s};
    EXPECT_FALSE(AuthorName::takeSuffix(tokens, 1).has_value());
    tokens = {u"John"_s, u"Smith"_s, u"Jr.,"_s};
    EXPECT_EQ(AuthorName::takeSuffix(tokens, 1), u"Jr"_s);
    EXPECT_EQ(tokens, (QList<QString>{u"John"_s, u"Smith"_s}));
    tokens = {u"Jr"_s};
    EXPECT_FALSE(AuthorName::takeSuffix(tokens, 1).has_value());
}

TEST(AuthorName, FromPubMedAuthors)
{
    struct Row
    {
        ArticleAuthor author;
        std::optional<AuthorName> want;
    };
    const auto person = [](QString surname, QList<QString> given, std::optional<QString> suffix,
                           std::optional<QString> initials) {
        return AuthorName{std::move(surname), std::move(given), std::move(suffix), false,
                          std::move(initials)};
    };
    const QList<Row> rows = {
        {{u"Smith"_s, u"John  Paul"_s, u"JP"_s, {}, {}},
         person(u"Smith"_s, {u"John"_s, u"Paul"_s}, {}, u"JP"_s)},
        {{{}, {}, {}, {}, u" Sleep \n Study   Group "_s},
         AuthorName{u"Sleep Study Group"_s, {}, {}, true, {}}},
        {{u"Smith"_s, {}, {}, {}, u"  "_s}, person(u"Smith"_s, {}, {}, {})},
        {{{}, u"John"_s, u"J"_s, {}, u" "_s}, std::nullopt},
        {{u" "_s, u"John"_s, {}, {}, {}}, std::nullopt},
        // The suffix stored as the last name moves back.
        {{u"Jr"_s, u"John Smith"_s, u"JS"_s, {}, {}}, person(u"Smith"_s, {u"John"_s}, u"Jr"_s, {})},
        {{u"Jr."_s, u"John"_s, {}, {}, {}}, person(u"Jr."_s, {u"John"_s}, {}, {})},
        {{u"Smith"_s, {}, u"J"_s, {}, {}}, person(u"Smith"_s, {u"J"_s}, {}, u"J"_s)},
        {{u"Smith"_s, u"Jean-Paul"_s, u"JP"_s, u"Jr."_s, {}},
         person(u"Smith"_s, {u"Jean-Paul"_s}, u"Jr."_s, u"JP"_s)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AuthorName::fromArticle(row.author), row.want)
            << show(row.author.lastName.value_or(u"-"_s));

    const AuthorName initialsOnly = *AuthorName::fromArticle({u"Smith"_s, {}, u"J"_s, {}, {}});
    expectForms(initialsOnly, {u"J. Smith"_s, u"J. Smith"_s, u"Smith, J."_s, u"Smith, J."_s}, u"initials"_s);
    const AuthorName full = *AuthorName::fromArticle({u"Smith"_s, u"Jean-Paul"_s, u"JP"_s, u"Jr."_s, {}});
    expectForms(
        full,
        {u"J. P. Smith Jr."_s, u"Jean-Paul Smith Jr."_s, u"Smith, J. P., Jr."_s, u"Smith, Jean-Paul, Jr."_s},
        u"full"_s);
    const AuthorName moved = *AuthorName::fromArticle({u"Jr"_s, u"John Smith"_s, u"JS"_s, {}, {}});
    expectForms(moved, {u"J. Smith Jr."_s, u"John Smith Jr."_s, u"Smith, J., Jr."_s, u"Smith, John, Jr."_s},
                u"moved"_s);
}

TEST(AuthorName, Initials)
{
    struct Row
    {
        QList<QString> given;
        std::optional<QString> initials;
        QString spaced;
        QString compact;
    };
    const QList<Row> rows = {
        {{u"Jean-Paul"_s}, {}, u"J.-P."_s, u"JP"_s},
        {{u"John"_s, u"Paul"_s}, {}, u"J. P."_s, u"JP"_s},
        {{u"JA"_s}, {}, u"J. A."_s, u"JA"_s},
        {{u"J.-P."_s, u"m"_s}, {}, u"J.-P. M."_s, u"JPM"_s},
        {{u"\u00e9mile"_s}, {}, u"\u00c9."_s, u"\u00c9"_s},
        {{u"John"_s}, u"J.A."_s, u"J. A."_s, u"JA"_s},
        {{}, {}, u""_s, u""_s},
    };
    for (const Row& row : rows) {
        const AuthorName n{u"Smith"_s, row.given, {}, false, row.initials};
        EXPECT_EQ(n.spacedInitials(), row.spaced) << show(row.given.join(u' '));
        EXPECT_EQ(n.compactInitials(), row.compact) << show(row.given.join(u' '));
    }
    // Full given names ignore PubMed's initials and space only initials tokens.
    const AuthorName n{u"Smith"_s, {u"John"_s, u"A"_s, u"BC"_s}, {}, false, u"JAB"_s};
    EXPECT_EQ(n.givenText(true), u"John A. B. C."_s);
    EXPECT_EQ(n.givenText(false), u"J. A. B."_s);
}
