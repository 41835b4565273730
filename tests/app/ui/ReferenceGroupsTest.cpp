// The grouping rule and the lines of a reference card.

#include "ReferenceGroups.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

LiteratureReference reference(const QString& pmid, std::optional<QString> reason, QStringList quotes = {})
{
    LiteratureReference r;
    r.pmid = pmid;
    r.title = u"T"_s + pmid;
    r.relevanceReason = std::move(reason);
    for (const QString& quote : quotes)
        r.evidence.append(LiteratureEvidence{quote, std::nullopt});
    return r;
}

QList<std::pair<QString, QList<int>>> shape(const QList<ReferenceGroup>& groups)
{
    QList<std::pair<QString, QList<int>>> out;
    for (const ReferenceGroup& group : groups) {
        QList<int> indexes;
        for (const ReferenceGroup::Entry& entry : group.entries)
            indexes.append(entry.index);
        out.append({group.title, indexes});
    }
    return out;
}

} // namespace

TEST(ReferenceGroups, DirectnessFollowsTheReasonThenTheQuotes)
{
    struct Case
    {
        std::optional<QString> reason;
        QStringList quotes;
        bool direct;
    };
    const QList<Case> cases = {
        {u"Indirect support"_s, {u"a quote"_s}, false}, // "indirect" is tested before "direct" and "support"
        {u"Provides CONTEXT"_s, {u"a quote"_s}, false},
        {u"background"_s, {}, false},
        {u"Directly measured"_s, {}, true},
        {u"Supports the claim"_s, {}, true},
        {u"Related cohort"_s, {u"a quote"_s}, true},
        {std::nullopt, {u"  \n\t "_s, u""_s}, false}, // only blank quotes
        {std::nullopt, {u"  "_s, u" real "_s}, true},
        {std::nullopt, {}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReferenceGroup::isDirect(reference(u"1"_s, c.reason, c.quotes)), c.direct)
            << c.reason.value_or(u"(none)"_s).toStdString();
    }
}

TEST(ReferenceGroups, DirectGroupFirstNumbersFollowTheResult)
{
    const QList<LiteratureReference> mixed = {
        reference(u"1"_s, u"background"_s), reference(u"2"_s, u"direct"_s),
        reference(u"3"_s, std::nullopt, {u"quote"_s}), reference(u"4"_s, u"Indirect support"_s)};
    EXPECT_EQ(shape(ReferenceGroup::make(mixed)),
              (QList<std::pair<QString, QList<int>>>{{u"Direct evidence"_s, {2, 3}},
                                                     {u"Indirect context"_s, {1, 4}}}));

    const QList<LiteratureReference> allIndirect = {
        reference(u"1"_s, u"context"_s), reference(u"2"_s, std::nullopt), reference(u"3"_s, u"background"_s)};
    EXPECT_EQ(shape(ReferenceGroup::make(allIndirect)),
              (QList<std::pair<QString, QList<int>>>{{u"Indirect context"_s, {1, 2, 3}}}));
    EXPECT_TRUE(ReferenceGroup::make({}).isEmpty());
}

TEST(ReferenceText, MetadataLineDropsMissingPartsWithTheirSeparators)
{
    struct Case
    {
        QList<QString> authors;
        std::optional<QString> date;
        std::optional<QString> journal;
        QString line;
    };
    const QList<Case> cases = {
        {{u"A"_s, u"B"_s, u"C"_s}, u"2020"_s, std::nullopt, u"A, B, et al. \u00B7 2020"_s},
        {{u"A"_s, u"B"_s}, u"2020"_s, std::nullopt, u"A, B \u00B7 2020"_s},
        {{u"A"_s}, std::nullopt, u"  J Sleep Res "_s, u"A \u00B7 J Sleep Res"_s},
        {{}, std::nullopt, u"Nature"_s, u"Nature"_s},
        {{}, u"2019"_s, u"Nature"_s, u"2019 \u00B7 Nature"_s},
        {{u" "_s, u""_s}, u""_s, u"   "_s, u""_s},
        {{u"A"_s, u"B"_s, u"C"_s, u"D"_s}, u"2021"_s, u"Cell"_s, u"A, B, et al. \u00B7 2021 \u00B7 Cell"_s},
    };
    for (const Case& c : cases) {
        LiteratureReference r = reference(u"1"_s, std::nullopt);
        r.authors = c.authors;
        r.date = c.date;
        r.journal = c.journal;
        EXPECT_EQ(ReferenceText::metadataLine(r), c.line) << c.line.toStdString();
    }
}

TEST(ReferenceText, FootLineAndQuotes)
{
    LiteratureReference r = reference(u"123"_s, std::nullopt, {u"  first\n"_s, u"\t"_s, u"second"_s});
    EXPECT_EQ(ReferenceText::footLine(r), u"PMID: 123"_s);
    r.citationCount = 42;
    EXPECT_EQ(ReferenceText::footLine(r), u"PMID: 123 \u00B7 42 Citations"_s);
    EXPECT_EQ(ReferenceText::evidenceQuotes(r), (QStringList{u"first"_s, u"second"_s}));
    EXPECT_EQ(ReferenceText::quoted(u"first"_s), u"\u201C\u2026first\u201D"_s);
}
