#include "citation/LiteratureReportFormatter.h"
#include "literature/LiteratureRecords.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString footer = u"Generated from VORN/PubMed evidence. Verify each source before citing."_s;
const QString divOpen =
    u"<div style=\"font-family:-apple-system,BlinkMacSystemFont,Helvetica,Arial,sans-serif;line-height:1.45\">"_s;

LiteratureResult workedExample()
{
    LiteratureReference r;
    r.pmid = u"31234567"_s;
    r.title = u"Effects of exercise on sleep"_s;
    r.authors = {u"Smith JA"_s, u"Jones B"_s};
    r.journal = u"J Sleep Res"_s;
    r.date = u"2020"_s;
    r.evidence = {{u"Regular exercise improved sleep."_s, {}}};
    LiteratureResult result;
    result.answer = u"Exercise improves sleep quality."_s;
    result.references = {r};
    return result;
}

// A 400-character quote: words of "a", with a single space at the given index.
QString quoteWithSpaceAt(qsizetype index)
{
    QString quote(400, u'a');
    if (index >= 0)
        quote[index] = u' ';
    return quote;
}

} // namespace

TEST(LiteratureReportFormatter, WorkedExample)
{
    const QList<QString> lines = LiteratureReportFormatter::plainText(workedExample(), true).split(u'\n');
    const QList<QString> want = {
        u"VORN citation recommendations (1)"_s,
        u""_s,
        u"Exercise improves sleep quality."_s,
        u""_s,
        u"1. Effects of exercise on sleep"_s,
        u"   Smith JA, Jones B \u00b7 J Sleep Res \u00b7 2020"_s,
        u"   PMID: 31234567 \u2014 https://pubmed.ncbi.nlm.nih.gov/31234567/"_s,
        u"   Evidence: \u201cRegular exercise improved sleep.\u201d"_s,
        u""_s,
        footer,
    };
    EXPECT_EQ(lines, want);

    EXPECT_EQ(LiteratureReportFormatter::html(workedExample(), true),
              divOpen +
                  u"<h2>VORN citation recommendations (1)</h2><p>Exercise improves sleep quality.</p><ol>"
                  u"<li><strong>Effects of exercise on sleep</strong>"
                  u"<div>Smith JA, Jones B \u00b7 J Sleep Res \u00b7 2020</div>"
                  u"<div><a href=\"https://pubmed.ncbi.nlm.nih.gov/31234567/\">PMID: 31234567</a></div>"
                  u"<blockquote>Regular exercise improved sleep.</blockquote></li></ol>"
                  u"<p><small>"_s +
                  footer + u"</small></p></div>"_s);
}

TEST(LiteratureReportFormatter, EmptyResult)
{
    const LiteratureResult empty;
    EXPECT_EQ(LiteratureReportFormatter::plainText(empty, true),
              u"VORN citation recommendations (0)\n\n"_s + footer);
    EXPECT_EQ(LiteratureReportFormatter::html(empty, true),
              divOpen + u"<h2>VORN citation recommendations (0)</h2><ol></ol><p><small>"_s + footer +
                  u"</small></p></div>"_s);
}

TEST(LiteratureReportFormatter, ReferenceDetails)
{
    LiteratureReference r;
    r.pmid = u"12a"_s;
    r.title = u"  A\n title \t with  breaks "_s;
    r.authors = {u"A  One"_s, u" "_s, u"B Two"_s, u"C Three"_s, u"D Four"_s, u"E Five"_s};
    r.evidence = {{u"  "_s, {}}, {u"Later quotes are never shown."_s, {}}};
    LiteratureResult result;
    result.answer = u" \n "_s;
    result.references = {r};

    EXPECT_EQ(LiteratureReportFormatter::formatMetadata(r), u"A One, B Two, C Three, et al."_s);
    EXPECT_EQ(LiteratureReportFormatter::plainText(result, true),
              u"VORN citation recommendations (1)\n\n1. A title with breaks\n"
              u"   A One, B Two, C Three, et al.\n   PMID: 12a\n\n"_s +
                  footer);
    EXPECT_EQ(LiteratureReportFormatter::html(result, true),
              divOpen +
                  u"<h2>VORN citation recommendations (1)</h2><ol><li><strong>A title with breaks</strong>"
                  u"<div>A One, B Two, C Three, et al.</div><div>PMID: 12a</div></li></ol><p><small>"_s +
                  footer + u"</small></p></div>"_s);

    // No metadata at all, and an empty PMID: the PMID line is still written.
    LiteratureReference bare;
    bare.title = u"T"_s;
    EXPECT_EQ(LiteratureReportFormatter::formatMetadata(bare), u""_s);
    result.references = {bare};
    EXPECT_EQ(LiteratureReportFormatter::plainText(result, true),
              u"VORN citation recommendations (1)\n\n1. T\n   PMID: \n\n"_s + footer);

    // Evidence only when asked for.
    EXPECT_FALSE(LiteratureReportFormatter::plainText(workedExample(), false).contains(u"Evidence"_s));
    EXPECT_FALSE(LiteratureReportFormatter::html(workedExample(), false).contains(u"blockquote"_s));
}

TEST(LiteratureReportFormatter, NetworkTextIsEscapedInHtml)
{
    LiteratureResult result = workedExample();
    result.answer = u"Tom's <b>answer</b> & \"more\""_s;
    LiteratureReference& r = result.references[0];
    r.pmid = u"<img src=x onerror=alert(1)>"_s;
    r.title = u"<script>alert('x')</script>"_s;
    r.authors = {u"O'Brien & <i>Co</i>"_s};
    r.journal = u"{\\rtf1} \\\"J\""_s;
    r.evidence = {{u"</blockquote><script>x()</script>"_s, {}}};
    const QString html = LiteratureReportFormatter::html(result, true);
    EXPECT_EQ(
        html,
        divOpen +
            u"<h2>VORN citation recommendations (1)</h2>"
            u"<p>Tom&#39;s &lt;b&gt;answer&lt;/b&gt; &amp; &quot;more&quot;</p><ol>"
            u"<li><strong>&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;</strong>"
            u"<div>O&#39;Brien &amp; &lt;i&gt;Co&lt;/i&gt; \u00b7 {\\rtf1} \\&quot;J&quot; \u00b7 2020</div>"
            u"<div>PMID: &lt;img src=x onerror=alert(1)&gt;</div>"
            u"<blockquote>&lt;/blockquote&gt;&lt;script&gt;x()&lt;/script&gt;</blockquote></li></ol>"
            u"<p><small>"_s +
            footer + u"</small></p></div>"_s);
}

TEST(LiteratureReportFormatter, Truncate)
{
    using LiteratureReportFormatter::truncate;
    const QString ellipsis = u"\u2026"_s;
    // The last space among the first 359 characters cuts when it stands at 251 or later.
    EXPECT_EQ(truncate(quoteWithSpaceAt(251), 360), quoteWithSpaceAt(251).first(251) + ellipsis);
    EXPECT_EQ(truncate(quoteWithSpaceAt(250), 360), quoteWithSpaceAt(250).first(359) + ellipsis);
    EXPECT_EQ(truncate(quoteWithSpaceAt(358), 360), quoteWithSpaceAt(358).first(358) + ellipsis);
    EXPECT_EQ(truncate(quoteWithSpaceAt(359), 360), quoteWithSpaceAt(359).first(359) + ellipsis);
    EXPECT_EQ(truncate(quoteWithSpaceAt(-1), 360), QString(359, u'a') + ellipsis);
    EXPECT_EQ(truncate(QString(360, u'a'), 360), QString(360, u'a'));
    EXPECT_EQ(truncate(u"abc"_s, 0), ellipsis);

    // Characters are user-perceived: 360 decomposed letters fit, 361 do not.
    QString accented;
    for (int i = 0; i < 360; ++i)
        accented += u"e\u0301"_s;
    EXPECT_EQ(truncate(accented, 360), accented);
    EXPECT_EQ(truncate(accented + u"x"_s, 360), accented.first(2 * 359) + ellipsis);

    // The report truncates the collapsed quote.
    LiteratureResult result = workedExample();
    result.references[0].evidence = {{u"word\n"_s.repeated(100), {}}};
    const QString plain = LiteratureReportFormatter::plainText(result, true);
    const QString want =
        u"   Evidence: \u201c"_s + u"word "_s.repeated(71).chopped(1) + ellipsis + u"\u201d"_s;
    EXPECT_TRUE(plain.split(u'\n').contains(want)) << plain.toStdString();
}
