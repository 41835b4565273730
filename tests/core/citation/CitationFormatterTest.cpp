#include "citation/CitationFormatter.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct TextRow
{
    QString input;
    QString want;
};

} // namespace

TEST(CitationFormatter, CleanTitle)
{
    const QList<TextRow> rows = {
        {u"A study of X.."_s, u"A study of X"_s},
        {u"  Effects of\nexercise   on sleep.\n"_s, u"Effects of exercise on sleep"_s},
        {u"Is it? Yes!"_s, u"Is it? Yes!"_s},
        {u" . "_s, u""_s},
        {u""_s, u""_s},
    };
    for (const TextRow& row : rows)
        EXPECT_EQ(CitationFormatter::cleanTitle(row.input), row.want) << row.input.toStdString();
    EXPECT_EQ(CitationFormatter::untitledPlaceholder, u"[Untitled]"_s);
}

TEST(CitationFormatter, JournalTitles)
{
    const QList<TextRow> qualifiers = {
        {u"Lancet (London, England)"_s, u"Lancet"_s},
        {u"Brain :  a journal of neurology (Oxford)  "_s, u"Brain : a journal of neurology"_s},
        {u"(London, England)"_s, u"(London, England)"_s},
        {u"A (b (c))"_s, u"A (b (c))"_s},
        {u"A (b) c"_s, u"A (b) c"_s},
        {u"J Sleep Res"_s, u"J Sleep Res"_s},
    };
    for (const TextRow& row : qualifiers)
        EXPECT_EQ(CitationFormatter::stripJournalQualifier(row.input), row.want) << row.input.toStdString();

    const QList<TextRow> casing = {
        {u"journal of clinical oncology : official journal of the american society of clinical oncology"_s,
         u"Journal of Clinical Oncology : Official Journal of the American Society of Clinical Oncology"_s},
        {u"the lancet"_s, u"The Lancet"_s},
        {u"BMJ  (clinical research ed.)"_s, u"BMJ (Clinical Research Ed.)"_s},
        {u"mRNA and the cell"_s, u"mRNA and the Cell"_s},
        {u"annals. of science"_s, u"Annals. Of Science"_s},
        {u"zeitschrift fu\u0308r physik und chemie"_s, u"Zeitschrift fu\u0308r Physik und Chemie"_s},
        {u"\u00e9tudes 2020 & 123"_s, u"\u00c9tudes 2020 & 123"_s},
        {u""_s, u""_s},
    };
    for (const TextRow& row : casing)
        EXPECT_EQ(CitationFormatter::journalCase(row.input), row.want) << row.input.toStdString();
}

TEST(CitationFormatter, YearAndMonth)
{
    struct YearRow
    {
        std::optional<QString> input;
        QString want;
    };
    const QList<YearRow> years = {
        {u"2021 Mar 4"_s, u"2021"_s},
        {u"Epub 20200115"_s, u"2020"_s},
        {u"12345"_s, u""_s},
        {u"1499"_s, u""_s},
        {u"2101"_s, u""_s},
        {u"1999-2000"_s, u"1999"_s},
        {u"1500 2100"_s, u"1500"_s},
        {u"x123456789 2019"_s, u"2019"_s},
        {u"\u0661\u0669\u0669\u0669"_s, u""_s},
        {std::nullopt, u""_s},
    };
    for (const YearRow& row : years)
        EXPECT_EQ(CitationFormatter::year(row.input), row.want) << row.input.value_or(u"-"_s).toStdString();

    struct MonthRow
    {
        QString input;
        std::optional<int> want;
    };
    const QList<MonthRow> months = {
        {u"03"_s, 3},
        {u" 12 "_s, 12},
        {u"+3"_s, 3},
        {u"13"_s, std::nullopt},
        {u"0"_s, std::nullopt},
        {u"Ju"_s, std::nullopt},
        {u"Jun"_s, 6},
        {u"Mar-Apr"_s, std::nullopt},
        {u"Sept."_s, 9},
        {u"march"_s, 3},
        {u"Marc"_s, 3},
        {u"MAY"_s, 5},
        {u"Spring"_s, std::nullopt},
        {u"januaryx"_s, std::nullopt},
        {u""_s, std::nullopt},
    };
    for (const MonthRow& row : months)
        EXPECT_EQ(CitationFormatter::monthNumber(row.input), row.want) << row.input.toStdString();
}

TEST(CitationFormatter, DOIAndWebLinks)
{
    struct Row
    {
        std::optional<QString> input;
        QString want;
    };
    const QList<Row> dois = {
        {u"doi:10.1000/182"_s, u"10.1000/182"_s},
        {u"DOI: 10.1000/182"_s, u"10.1000/182"_s},
        {u"https://doi.org/10.1000/182"_s, u"10.1000/182"_s},
        {u"http://doi.org/10.1000/182"_s, u"10.1000/182"_s},
        {u"HTTPS://DX.DOI.ORG/ 10.1000/182"_s, u"10.1000/182"_s},
        {u"http://dx.doi.org/10.1000/182"_s, u"10.1000/182"_s},
        {u" 10.1000/182\n"_s, u"10.1000/182"_s},
        {u"1000/182"_s, u""_s},
        {u"ftp://doi.org/10.1000/182"_s, u""_s},
        {std::nullopt, u""_s},
    };
    for (const Row& row : dois)
        EXPECT_EQ(CitationFormatter::normalizedDOI(row.input), row.want)
            << row.input.value_or(u"-"_s).toStdString();

    const QUrl https(u"https://example.org/a"_s);
    const QUrl http(u"HTTP://example.org/a"_s);
    EXPECT_EQ(CitationFormatter::webURL(https), https);
    EXPECT_EQ(CitationFormatter::webURL(http), http);
    EXPECT_FALSE(CitationFormatter::webURL(QUrl(u"ftp://example.org/a"_s)).has_value());
    EXPECT_FALSE(CitationFormatter::webURL(QUrl(u"javascript:alert(1)"_s)).has_value());
    EXPECT_FALSE(CitationFormatter::webURL(std::nullopt).has_value());
}
