#include "CliRun.h"
#include "citation/CitationStyles.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A reference with its PubMed record, as the cite panel has it after the fetch.
const QByteArray reference = R"({
  "pmid": "31234567",
  "title": "Effects of exercise on sleep",
  "authors": ["Smith JA", "Jones B"],
  "journal": "J Sleep Res",
  "date": "2020",
  "evidence": [],
  "article": {
    "pmid": "31234567",
    "kind": "journalArticle",
    "title": "Effects of exercise on sleep.",
    "authors": [{"lastName": "Smith", "foreName": "John A", "initials": "JA"},
                {"lastName": "Jones", "foreName": "Beth", "initials": "B"}],
    "journalTitle": "journal of sleep research",
    "journalAbbreviation": "J Sleep Res",
    "year": "2020", "month": "Mar", "day": "05",
    "volume": "29", "issue": "2", "pages": "123-9",
    "doi": "10.1000/182",
    "publicationTypes": ["Journal Article"],
    "editors": []
  }
})";

const QString doiLink = u"https://doi.org/10.1000/182"_s;

} // namespace

TEST(CliFormat, EveryStyleAndExport)
{
    struct Row
    {
        QStringList args;
        QString out;
    };
    const QList<Row> rows = {
        {{u"--style"_s, u"vancouver"_s},
         u"Smith JA, Jones B. Effects of exercise on sleep. J Sleep Res. 2020 Mar 5;29(2):123-9. doi: "
         u"10.1000/182. "
         u"PMID: 31234567.\n"_s},
        {{u"--style"_s, u"apa"_s, u"--output"_s, u"html"_s},
         u"Smith, J. A., &amp; Jones, B. (2020). Effects of exercise on sleep. <i>Journal of Sleep "
         u"Research</i>, "
         u"<i>29</i>(2), 123\u2013129. "_s +
             doiLink + u"\n"_s},
        {{u"--access-date"_s, u"2024-03-05"_s, u"--style"_s, u"harvard"_s},
         u"Smith, J. A. and Jones, B. (2020) \u2018Effects of exercise on sleep\u2019, Journal of Sleep "
         u"Research, "
         u"29(2), pp. 123\u2013129. Available at: "_s +
             doiLink + u" (Accessed: 5 March 2024).\n"_s},
        {{u"--style"_s, u"mla"_s, u"--output"_s, u"text"_s},
         u"Smith, John A., and Beth Jones. \u201cEffects of exercise on sleep.\u201d Journal of Sleep "
         u"Research, "
         u"vol. 29, no. 2, 2020, pp. 123\u201329, "_s +
             doiLink + u".\n"_s},
        {{u"--style"_s, u"chicago"_s, u"--output"_s, u"rtf"_s},
         u"{\\rtf1\\ansi\\uc1 Smith, John A., and Beth Jones. {\\u8220?}Effects of exercise on "
         u"sleep.{\\u8221?} "
         u"{\\i Journal of Sleep Research} 29, no. 2 (2020): 123{\\u8211?}29. "_s +
             doiLink + u".}\n"_s},
    };
    for (const Row& row : rows) {
        const CliRun r = runCli(QStringList{u"format"_s} + row.args, reference);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, row.out);
        EXPECT_TRUE(r.err.isEmpty());
    }

    CliRun r = runCli({u"format"_s, u"--style"_s, u"bibtex"_s}, reference);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(
        r.out.startsWith(u"@article{pmid31234567,\n  author = {Smith, John A. and Jones, Beth},\n"_s));
    EXPECT_TRUE(r.out.endsWith(u"\n}\n"_s));

    r = runCli({u"format"_s, u"--style"_s, u"ris"_s}, reference);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(u"TY  - JOUR\r\nAU  - Smith, John A.\r\n"_s));
    EXPECT_TRUE(r.out.endsWith(u"\r\nER  - \r\n\n"_s));
}

TEST(CliFormat, AccessDateDefaultsToToday)
{
    const QDate before = QDate::currentDate();
    const CliRun r = runCli({u"format"_s, u"--style"_s, u"harvard"_s}, reference);
    const QDate after = QDate::currentDate();
    EXPECT_EQ(r.status, 0);
    const auto accessed = [](const QDate& d) -> QString {
        return u"(Accessed: "_s + CitationFormatter::harvardDate(d) + u").\n"_s;
    };
    EXPECT_TRUE(r.out.endsWith(accessed(before)) || r.out.endsWith(accessed(after))) << r.out.toStdString();
}

TEST(CliFormat, UsageErrorsAndBadInput)
{
    struct Row
    {
        QStringList args;
        QByteArray input;
        int status;
        QString err;
    };
    const QString usage =
        u". Usage: vorn-cite-cli format --style mla|apa|chicago|harvard|vancouver|bibtex|ris "
        u"[--access-date YYYY-MM-DD] [--output text|html|rtf]\n"_s;
    const QList<Row> rows = {
        {{}, reference, 2, u"Missing --style"_s + usage},
        {{u"--style"_s, u"MLA"_s}, reference, 2, u"Unknown style \"MLA\""_s + usage},
        {{u"--style"_s}, reference, 2, u"--style needs a value"_s + usage},
        {{u"--style"_s, u"apa"_s, u"--output"_s, u"pdf"_s},
         reference,
         2,
         u"Unknown output \"pdf\""_s + usage},
        {{u"--style"_s, u"apa"_s, u"--html"_s}, reference, 2, u"Unknown option \"--html\""_s + usage},
        {{u"--style"_s, u"apa"_s, u"--access-date"_s, u"2024-02-30"_s},
         reference,
         2,
         u"--access-date needs a date YYYY-MM-DD, not \"2024-02-30\""_s + usage},
        {{u"--style"_s, u"apa"_s, u"--access-date"_s, u"2024-3-5"_s},
         reference,
         2,
         u"--access-date needs a date YYYY-MM-DD, not \"2024-3-5\""_s + usage},
        {{u"--style"_s, u"apa"_s}, "{\"pmid\": ", 1, u"Standard input is not valid JSON: "_s},
        {{u"--style"_s, u"apa"_s}, "{\"pmid\": \"1\"}", 1, u"LiteratureReference: \"title\" is missing\n"_s},
        {{u"--style"_s, u"apa"_s},
         R"({"pmid": "1", "title": "T", "authors": [], "evidence": [],
             "article": {"pmid": "1", "kind": "letter", "authors": [], "publicationTypes": [], "editors": []}})",
         1,
         u"ArticleMetadata: \"kind\" has an unknown value"_s},
    };
    for (const Row& row : rows) {
        const CliRun r = runCli(QStringList{u"format"_s} + row.args, row.input);
        EXPECT_EQ(r.status, row.status) << row.args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(row.err)) << r.err.toStdString();
    }
}
