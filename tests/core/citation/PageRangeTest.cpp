#include "citation/PageRange.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

void PrintTo(const PageRange& range, std::ostream* os)
{
    *os << range.start.toStdString() << " / " << range.end.value_or(u"(none)"_s).toStdString() << " from "
        << range.medline.toStdString();
}

TEST(PageRange, ReadsMedlinePagination)
{
    struct Row
    {
        QString input;
        std::optional<PageRange> want;
    };
    const QList<Row> rows = {
        {u"123-9"_s, PageRange{u"123"_s, u"129"_s, u"123-9"_s}},
        {u"1234-56"_s, PageRange{u"1234"_s, u"1256"_s, u"1234-56"_s}},
        {u"12-345"_s, PageRange{u"12"_s, u"345"_s, u"12-345"_s}},
        {u"1 - 5"_s, PageRange{u"1"_s, u"5"_s, u"1 - 5"_s}},
        {u" 12\n-\t34 "_s, PageRange{u"12"_s, u"34"_s, u"12 - 34"_s}},
        {u"-5"_s, PageRange{u"5"_s, {}, u"-5"_s}},
        {u"5-"_s, PageRange{u"5"_s, {}, u"5-"_s}},
        {u"123-45; 67-89"_s, PageRange{u"123"_s, u"145"_s, u"123-45"_s}},
        {u"S12-S15"_s, PageRange{u"S12"_s, u"S15"_s, u"S12-S15"_s}},
        {u"S12-5"_s, PageRange{u"S12"_s, u"5"_s, u"S12-5"_s}},
        {u"e0123456"_s, PageRange{u"e0123456"_s, {}, u"e0123456"_s}},
        {u"1-5-7"_s, PageRange{u"1"_s, u"5-7"_s, u"1-5-7"_s}},
        // Decimal digits of other scripts expand too, also beyond the BMP (surrogate pairs).
        {u"\u0661\u0662\u0663-\u0669"_s,
         PageRange{u"\u0661\u0662\u0663"_s, u"\u0661\u0662\u0669"_s, u"\u0661\u0662\u0663-\u0669"_s}},
        {u"\U0001D7CF\U0001D7D0\U0001D7D1-\U0001D7D7"_s,
         PageRange{u"\U0001D7CF\U0001D7D0\U0001D7D1"_s, u"\U0001D7CF\U0001D7D0\U0001D7D7"_s,
                   u"\U0001D7CF\U0001D7D0\U0001D7D1-\U0001D7D7"_s}},
        {u""_s, std::nullopt},
        {u" \n "_s, std::nullopt},
        {u"-"_s, std::nullopt},
        {u"; 12-15"_s, std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PageRange::fromMedline(row.input), row.want) << row.input.toStdString();
}

TEST(PageRange, Abbreviated)
{
    struct Row
    {
        QString start;
        std::optional<QString> end;
        QString want;
    };
    const QList<Row> rows = {
        {u"321"_s, u"328"_s, u"321\u201328"_s},
        {u"101"_s, u"108"_s, u"101\u20138"_s},
        {u"1496"_s, u"1504"_s, u"1496\u2013504"_s},
        {u"1536"_s, u"1538"_s, u"1536\u201338"_s},
        {u"110"_s, u"115"_s, u"110\u201315"_s},
        {u"123"_s, u"145"_s, u"123\u201345"_s},
        {u"100"_s, u"104"_s, u"100\u2013104"_s},
        {u"71"_s, u"72"_s, u"71\u201372"_s},
        {u"1100"_s, u"1113"_s, u"1100\u20131113"_s},
        {u"S12"_s, u"S15"_s, u"S12\u2013S15"_s},
        {u"200"_s, u"150"_s, u"200\u2013150"_s},
        {u"99"_s, u"105"_s, u"99\u2013105"_s},
        {u"5"_s, std::nullopt, u"5"_s},
        {u"99999999999999999999"_s, u"99999999999999999999"_s,
         u"99999999999999999999\u201399999999999999999999"_s},
    };
    for (const Row& row : rows) {
        const PageRange range{row.start, row.end, row.start};
        EXPECT_EQ(range.abbreviated(), row.want) << row.start.toStdString();
    }
}
