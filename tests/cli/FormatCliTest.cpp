#include "CliRun.h"
#include "citation/CitationStyles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

// What the service and PubMed send goes through parse-response or parse-pubmed before
// any output: no control character of theirs reaches a terminal or the clipboard.
TEST(CliFormat, ControlCharactersFromTheNetworkNeverReachTheOutput)
{
    const auto controls = [](const QString& text) {
        QString found;
        for (const QChar c : text) {
            if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\r')
                found += u"U+"_s + QString::number(c.unicode(), 16) + u' ';
        }
        return found.toStdString();
    };

    const QByteArray response = R"({"status":"ok","answer":"Yes\u0007.","references":[
        {"pmid":"31234567","title":"\u001b]0;owned\u0007Effects of \u009b31mexercise\u001b[0m on sleep",
         "journal":"J Sleep\u0000 Res","year":"2020","authors":["\u001b[2JSmith JA"],
         "evidence":[{"quote":"Sleep\u0008\u0008 improved.","context_type":"abstract"}]}]})";
    const CliRun parsed = runCli({u"parse-response"_s, u"--max-articles"_s, u"5"_s}, response);
    ASSERT_EQ(parsed.status, 0) << parsed.err.toStdString();
    EXPECT_EQ(controls(parsed.out), "");
    for (const QStringList& options : {QStringList{}, QStringList{u"--html"_s, u"--evidence"_s}}) {
        const CliRun report = runCli(QStringList{u"report"_s} + options, parsed.out.toUtf8());
        ASSERT_EQ(report.status, 0) << report.err.toStdString();
        EXPECT_TRUE(report.out.contains(u"Effects of 31mexercise[0m on sleep"_s)) << report.out.toStdString();
        EXPECT_EQ(controls(report.out), "");
    }
    const QByteArray fromService =
        QJsonDocument(QJsonDocument::fromJson(parsed.out.toUtf8())[u"references"_s][0].toObject()).toJson();

    const QByteArray efetch =
        "<PubmedArticleSet><PubmedArticle><MedlineCitation><PMID>31234567</PMID><Article>"
        "<ArticleTitle>Effects of &#x9B;31mexercise&#x9B;0m on sleep&#x7F;</ArticleTitle>"
        "<AuthorList><Author><LastName>Sm&#x85;ith</LastName><ForeName>J&#x90;ohn</ForeName>"
        "</Author></AuthorList></Article></MedlineCitation></PubmedArticle></PubmedArticleSet>";
    const CliRun articles = runCli({u"parse-pubmed"_s}, efetch);
    ASSERT_EQ(articles.status, 0) << articles.err.toStdString();
    EXPECT_EQ(controls(articles.out), "");
    QJsonObject withRecord = QJsonDocument::fromJson(fromService).object();
    withRecord.insert(u"article"_s, QJsonDocument::fromJson(articles.out.toUtf8()).array().at(0));
    const QByteArray fromPubMed = QJsonDocument(withRecord).toJson();

    for (const QByteArray& input : {fromService, fromPubMed}) {
        for (const QString& style : {u"apa"_s, u"vancouver"_s, u"bibtex"_s, u"ris"_s}) {
            for (const QString& output : {u"text"_s, u"html"_s, u"rtf"_s}) {
                const CliRun r = runCli({u"format"_s, u"--style"_s, style, u"--output"_s, output}, input);
                ASSERT_EQ(r.status, 0) << r.err.toStdString();
                EXPECT_TRUE(r.out.contains(u"31mexercise"_s)) << r.out.toStdString();
                EXPECT_EQ(controls(r.out), "") << style.toStdString() << " " << output.toStdString();
            }
        }
    }
}
