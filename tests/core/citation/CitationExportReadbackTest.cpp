// The BibTeX and RIS exports read back by outside reference-manager code: citation-js
// (npm, installed by scripts/node-tools) for BibTeX and RIS, and Debian's
// python3-bibtexparser for BibTeX. Each must see the authors, title, container, year,
// volume, pages and DOI that were exported, special characters included.

#include "CitationFixtures.h"
#include "citation/CitationExport.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace CitationFixtures;

namespace {

struct Expected
{
    const char* label;
    LiteratureReference reference;
    QString bibtexKey;
    QString bibtexType;
    QStringList authors; // "Family, Given, Suffix" or a group name
    QStringList editors;
    QString title;
    QString container;
    QString year;
    QString volume;
    QString pages; // "123-129"
    QString doi;
    // The DOI of the BibTeX entry when it differs: braces and backslashes dropped.
    std::optional<QString> bibtexDoi = std::nullopt;
};

QList<Expected> expectations()
{
    const QStringList smithJones = {u"Smith, John A."_s, u"Jones, Beth"_s};
    return {
        {"J",
         journalArticle(),
         u"pmid31234567"_s,
         u"article"_s,
         smithJones,
         {},
         u"Effects of exercise on sleep"_s,
         u"Journal of Sleep Research"_s,
         u"2020"_s,
         u"29"_s,
         u"123-129"_s,
         u"10.1000/182"_s},
        {"B",
         bookChapter(),
         u"pmid20301428"_s,
         u"incollection"_s,
         {u"Doe, Jane"_s},
         {u"Adam, Margaret P."_s, u"Feldman, Jerry"_s},
         u"Cystic fibrosis"_s,
         u"Genetic Disorders Handbook"_s,
         u"2001"_s,
         {},
         {},
         {}},
        {"special characters",
         specialCharacters(),
         u"vorn-PMC12345"_s,
         u"article"_s,
         {u"M\u00fcller, J\u00fcrgen"_s, u"World Health Organization"_s, u"van der Berg, Anna"_s,
          u"\u674e, \u5c0f\u9f8d"_s, u"Smith, John, Jr."_s},
         {},
         u"50% & more_data: {braces}, #1 for $5, ~x^2 and C:\\temp"_s,
         u"Science & Society"_s,
         u"2020"_s,
         u"29"_s,
         u"e0123456"_s,
         u"10.1002/(SICI)1097-4636(199606)31:2<205::AID-JBM7>3.0.CO;2-O"_s},
        {"service only",
         serviceOnly(),
         u"vorn"_s,
         u"article"_s,
         {u"Smith, J. A."_s, u"Jones, B."_s},
         {},
         u"A study of sleep"_s,
         u"J Sleep Res"_s,
         u"2019"_s,
         {},
         {},
         {}},
        {"unbalanced braces",
         unbalancedBraces(),
         u"pmid31234567"_s,
         u"article"_s,
         smithJones,
         {},
         u"Effects of {x on y} z} and {w"_s,
         u"Brace } Journal"_s,
         u"2020"_s,
         u"29"_s,
         u"123-129"_s,
         u"10.1000/182\\"_s,
         u"10.1000/182"_s},
        {"names with and and commas",
         namesWithSeparators(),
         u"pmid31234567"_s,
         u"article"_s,
         {u"Doe and Evil, John, Jr"_s, u"Roe, Jane and Max"_s, u"Poe AND Co, Ann"_s},
         {},
         u"Effects of exercise on sleep"_s,
         u"Journal of Sleep Research"_s,
         u"2020"_s,
         u"29"_s,
         u"123-129"_s,
         u"10.1000/182"_s},
        {"retracted preprint",
         retractedPreprint(),
         u"pmid31234567"_s,
         u"article"_s,
         smithJones,
         {},
         u"Effects of exercise on sleep"_s,
         u"Journal of Sleep Research"_s,
         u"2020"_s,
         u"29"_s,
         u"5"_s,
         u"10.1000/182"_s},
    };
}

QString joinNonEmpty(const QStringList& parts, const QString& separator)
{
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            kept.append(part);
    }
    return kept.join(separator);
}

// A CSL-JSON name as "Family, Given, Suffix", particles in front of the family name.
QString cslName(const QJsonObject& name)
{
    if (name.contains(u"literal"_s))
        return name.value(u"literal"_s).toString();
    const QString family =
        joinNonEmpty({name.value(u"dropping-particle"_s).toString(),
                      name.value(u"non-dropping-particle"_s).toString(), name.value(u"family"_s).toString()},
                     u" "_s);
    return joinNonEmpty({family, name.value(u"given"_s).toString(), name.value(u"suffix"_s).toString()},
                        u", "_s);
}

QStringList cslNames(const QJsonValue& names)
{
    QStringList out;
    for (const QJsonValue& name : names.toArray())
        out.append(cslName(name.toObject()));
    return out;
}

// text without the braces that enclose all of it (a group name, a protected name part).
QString unbraced(const QString& text)
{
    return text.startsWith(u'{') && text.endsWith(u'}') ? text.mid(1, text.size() - 2) : text;
}

// A name as bibtexparser splits it (von, last, first and jr parts), enclosing braces removed.
QString bibtexparserName(const QJsonObject& name)
{
    const auto part = [&name](const QString& key) {
        QStringList words;
        for (const QJsonValue& word : name.value(key).toArray())
            words.append(word.toString());
        return unbraced(words.join(u' '));
    };
    const QString family = unbraced(joinNonEmpty({part(u"von"_s), part(u"last"_s)}, u" "_s));
    return joinNonEmpty({family, part(u"first"_s), part(u"jr"_s)}, u", "_s);
}

QString scalar(const QJsonValue& value)
{
    return value.isDouble() ? QString::number(value.toInteger()) : value.toString();
}

QString cslYear(const QJsonObject& item)
{
    return scalar(item.value(u"issued"_s)[u"date-parts"_s][0][0]);
}

struct ReaderOutput
{
    QJsonArray items;
    QString failure;
};

// Runs a reader on the text written to a file and reads its JSON array.
ReaderOutput readWith(const QString& program, const QStringList& arguments, const QString& text,
                      const QString& fileName)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(fileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        return {{}, u"cannot write "_s + file.fileName()};
    file.close();
    QProcess process;
    process.start(program, arguments + QStringList{file.fileName()});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return {{}, program + u" failed: "_s + QString::fromUtf8(process.readAllStandardError())};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(process.readAllStandardOutput(), &error);
    if (!document.isArray())
        return {{}, program + u" printed no JSON array: "_s + error.errorString()};
    return {document.array(), {}};
}

QString node()
{
    return QStandardPaths::findExecutable(u"node"_s);
}

const QString citationReader = QStringLiteral(VORN_NODE_TOOLS_DIR "/read-citations.js");
const QString bibtexparserReader = QStringLiteral(VORN_TEST_SUPPORT_DIR "/read-bibtex.py");

} // namespace

TEST(CitationExportReadback, CitationJsReadsTheBibTeXEntries)
{
    ASSERT_FALSE(node().isEmpty()) << "node is missing; scripts/setup installs it";
    const QList<Expected> expected = expectations();
    QStringList entries;
    for (const Expected& e : expected)
        entries.append(CitationFormatter::bibtex(e.reference));

    const ReaderOutput run =
        readWith(node(), {citationReader, u"bibtex"_s}, entries.join(u"\n\n"_s), u"export.bib"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    ASSERT_EQ(run.items.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const Expected& e = expected.at(i);
        const QJsonObject item = run.items.at(i).toObject();
        SCOPED_TRACE(e.label);
        EXPECT_EQ(item.value(u"citation-key"_s).toString(), e.bibtexKey);
        EXPECT_EQ(cslNames(item.value(u"author"_s)), e.authors);
        EXPECT_EQ(cslNames(item.value(u"editor"_s)), e.editors);
        EXPECT_EQ(item.value(u"title"_s).toString(), e.title);
        EXPECT_EQ(item.value(u"container-title"_s).toString(), e.container);
        EXPECT_EQ(cslYear(item), e.year);
        EXPECT_EQ(scalar(item.value(u"volume"_s)), e.volume);
        EXPECT_EQ(item.value(u"page"_s).toString(), e.pages);
        EXPECT_EQ(item.value(u"DOI"_s).toString(), e.bibtexDoi.value_or(e.doi));
    }
}

TEST(CitationExportReadback, CitationJsReadsTheRISRecords)
{
    ASSERT_FALSE(node().isEmpty()) << "node is missing; scripts/setup installs it";
    const QList<Expected> expected = expectations();
    QString records;
    for (const Expected& e : expected)
        records += CitationFormatter::ris(e.reference);

    const ReaderOutput run = readWith(node(), {citationReader, u"ris"_s}, records, u"export.ris"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    ASSERT_EQ(run.items.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const Expected& e = expected.at(i);
        const QJsonObject item = run.items.at(i).toObject();
        SCOPED_TRACE(e.label);
        EXPECT_EQ(item.value(u"type"_s).toString(),
                  e.bibtexType == u"article"_s ? u"article-journal"_s : u"chapter"_s);
        EXPECT_EQ(cslNames(item.value(u"author"_s)), e.authors);
        EXPECT_EQ(cslNames(item.value(u"editor"_s)), e.editors);
        EXPECT_EQ(item.value(u"title"_s).toString(), e.title);
        EXPECT_EQ(item.value(u"container-title"_s).toString(), e.container);
        EXPECT_EQ(cslYear(item), e.year);
        EXPECT_EQ(scalar(item.value(u"volume"_s)), e.volume);
        EXPECT_EQ(item.value(u"page"_s).toString(), e.pages);
        EXPECT_EQ(item.value(u"DOI"_s).toString(), e.doi);
    }
}

TEST(CitationExportReadback, BibtexparserReadsTheBibTeXEntries)
{
    const QString python = u"/usr/bin/python3"_s;
    ASSERT_TRUE(QFile::exists(python)) << "python3 is missing; scripts/setup installs python3-bibtexparser";
    const QList<Expected> expected = expectations();
    QStringList entries;
    for (const Expected& e : expected)
        entries.append(CitationFormatter::bibtex(e.reference));

    const ReaderOutput run = readWith(python, {bibtexparserReader}, entries.join(u"\n\n"_s), u"export.bib"_s);
    ASSERT_TRUE(run.failure.isEmpty()) << run.failure.toStdString();
    ASSERT_EQ(run.items.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const Expected& e = expected.at(i);
        const QJsonObject item = run.items.at(i).toObject();
        const QJsonObject fields = item.value(u"fields"_s).toObject();
        SCOPED_TRACE(e.label);
        EXPECT_EQ(item.value(u"key"_s).toString(), e.bibtexKey);
        EXPECT_EQ(item.value(u"type"_s).toString(), e.bibtexType);
        QStringList authors;
        for (const QJsonValue& name : item.value(u"authors"_s).toArray())
            authors.append(bibtexparserName(name.toObject()));
        EXPECT_EQ(authors, e.authors);
        QStringList editors;
        for (const QJsonValue& name : item.value(u"editors"_s).toArray())
            editors.append(bibtexparserName(name.toObject()));
        EXPECT_EQ(editors, e.editors);
        EXPECT_EQ(fields.value(u"year"_s).toString(), e.year);
        EXPECT_EQ(fields.value(u"volume"_s).toString(), e.volume);
        EXPECT_EQ(fields.value(u"pages"_s).toString().replace(u"--"_s, u"-"_s), e.pages);
        EXPECT_EQ(fields.value(u"doi"_s).toString(), e.bibtexDoi.value_or(e.doi));
    }
    // The month is written as BibTeX's month macro, which the reader expands.
    EXPECT_EQ(run.items.at(0)[u"fields"_s][u"month"_s].toString(), u"March"_s);
}
