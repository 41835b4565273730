#include "citation/FormattedCitation.h"
#include "support/QtPrinters.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

void PrintTo(const FormattedCitation::Run& run, std::ostream* os)
{
    *os << (run.isItalic ? "italic " : "plain ") << '"' << run.text.toStdString() << '"';
}

namespace {

using CitationRun = FormattedCitation::Run;

// Texts that must stay inert in every rendering.
const QString hostile = u"<script>alert(\"x\")</script> & 'q' {\\rtf1\\b} \\par}"_s;

// Converts RTF with unrtf and reads the runs back. unrtf writes the text through
// a tags file: italic as [I]...[/I], every \uN escape as [U+N].
std::optional<FormattedCitation> readBackWithUnrtf(const QString& unrtf, const QByteArray& rtf,
                                                   QString* failure, QStringList* fonts = nullptr)
{
    QTemporaryDir dir;
    QFile tags(dir.filePath(u"roundtrip.conf"_s));
    QFile document(dir.filePath(u"citation.rtf"_s));
    if (!tags.open(QIODevice::WriteOnly) || !document.open(QIODevice::WriteOnly)) {
        *failure = u"cannot write the temporary files"_s;
        return std::nullopt;
    }
    tags.write("comment_begin\n\t[C]\ncomment_end\n\t[/C]\nbody_begin\n\t[BODY]\nbody_end\n\t[/BODY]\n"
               "unisymbol_print\n\t[U+%]\nitalic_begin\n\t[I]\nitalic_end\n\t[/I]\n"
               "font_begin\n\t[F=%]\nfont_end\n\t[/F]\nfontsize_begin\n\t[S=%]\nfontsize_end\n\t[/S]\n");
    document.write(rtf);
    tags.close();
    document.close();

    QProcess process;
    process.start(unrtf, {u"-P"_s, dir.path(), u"-t"_s, u"roundtrip"_s, document.fileName()});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        *failure = u"unrtf failed: "_s + QString::fromUtf8(process.readAllStandardError());
        return std::nullopt;
    }
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const qsizetype begin = output.indexOf(u"[BODY]"_s);
    const qsizetype end = output.lastIndexOf(u"[/BODY]"_s);
    if (begin < 0 || end < begin) {
        *failure = u"no body in: "_s + output;
        return std::nullopt;
    }
    QString body = output.sliced(begin + 6, end - begin - 6);
    // Font changes: noted, then dropped from the text.
    static const QRegularExpression fontMarker(u"\\[(/?)([FS])(=[^\\]]*)?\\]"_s);
    for (const QRegularExpressionMatch& m : fontMarker.globalMatch(body)) {
        if (fonts && m.captured(1).isEmpty())
            fonts->append(m.captured(2) + m.captured(3));
    }
    body.remove(fontMarker);

    // Escapes to UTF-16 code units; the two halves of a surrogate pair may land in
    // neighbouring runs of the same style, which FormattedCitation joins again.
    const auto decoded = [](const QString& text) -> QString {
        static const QRegularExpression escape(u"\\[U\\+(\\d+)\\]"_s);
        QString out;
        qsizetype last = 0;
        for (const QRegularExpressionMatch& m : escape.globalMatch(text)) {
            out += text.sliced(last, m.capturedStart() - last);
            out += QChar(char16_t(m.captured(1).toUInt()));
            last = m.capturedEnd();
        }
        return out + text.sliced(last);
    };

    QList<CitationRun> runs;
    bool italic = false;
    static const QRegularExpression marker(u"\\[/?I\\]"_s);
    qsizetype last = 0;
    for (const QRegularExpressionMatch& m : marker.globalMatch(body)) {
        runs.append({decoded(body.sliced(last, m.capturedStart() - last)), italic});
        italic = m.captured() == u"[I]"_s;
        last = m.capturedEnd();
    }
    runs.append({decoded(body.sliced(last)), italic});
    return FormattedCitation(runs);
}

} // namespace

TEST(FormattedCitation, NormalisesRuns)
{
    const FormattedCitation c(
        {{u"A"_s, false}, {u""_s, true}, {u"B"_s, false}, {u"C"_s, true}, {u"D"_s, true}});
    EXPECT_EQ(c.runs(), (QList<CitationRun>{{u"AB"_s, false}, {u"CD"_s, true}}));
    EXPECT_EQ(c.plainText(), u"ABCD"_s);
    EXPECT_EQ(c, FormattedCitation({{u"AB"_s, false}, {u"C"_s, true}, {u""_s, false}, {u"D"_s, true}}));
    EXPECT_TRUE(FormattedCitation({{u""_s, true}}).runs().isEmpty());
}

TEST(FormattedCitation, HtmlEscapesEveryRun)
{
    EXPECT_EQ(FormattedCitation({{u"Fish & Chips <2>"_s, true}}).html(),
              u"<i>Fish &amp; Chips &lt;2&gt;</i>"_s);
    EXPECT_EQ(FormattedCitation({{u"O'Brien \"Q\". "_s, false}, {hostile, true}}).html(),
              u"O'Brien &quot;Q&quot;. <i>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; 'q' "
              u"{\\rtf1\\b} \\par}</i>"_s);
}

TEST(FormattedCitation, RtfEscapesTextAndStaysAscii)
{
    const FormattedCitation c(
        {{u"Smith J. "_s, false}, {u"Caf\u00e9 {x} a\\b"_s, true}, {u" \U0001F600.\t\n\r\u0007"_s, false}});
    const QByteArray rtf = c.rtf();
    EXPECT_EQ(rtf, QByteArray("{\\rtf1\\ansi\\uc1 Smith J. {\\i Caf{\\u233?} \\{x\\} a\\\\b} "
                              "{\\u-10179?}{\\u-8704?}.\\tab \\line }"));
    for (const char byte : rtf)
        EXPECT_LT(static_cast<unsigned char>(byte), 0x80);
    EXPECT_EQ(FormattedCitation().rtf(), QByteArray("{\\rtf1\\ansi\\uc1 }"));
}

TEST(FormattedCitation, RtfRoundTripsThroughAnRtfReader)
{
    const QString unrtf = QStandardPaths::findExecutable(u"unrtf"_s);
    if (unrtf.isEmpty())
        GTEST_SKIP() << "unrtf is not installed; scripts/setup installs it";

    const QList<FormattedCitation> citations = {
        FormattedCitation({{u"Smith JA, Jones B. Effects of exercise on sleep. "_s, false},
                           {u"J Sleep Res"_s, true},
                           {u". 2020;29(3):123\u2013129."_s, false}}),
        FormattedCitation({{u"M\u00fcller, \u00c5. \u201cS\u00f8vn\u201d \u2014 "_s, false},
                           {u"\u7761\u7720\u7814\u7a76 \U0001F634 \u00e9t\u00e9"_s, true},
                           {u" "_s, false}}),
        FormattedCitation({{hostile, false}, {hostile, true}}),
    };
    for (const FormattedCitation& c : citations) {
        QString failure;
        const std::optional<FormattedCitation> back = readBackWithUnrtf(unrtf, c.rtf(), &failure);
        ASSERT_TRUE(back.has_value()) << failure.toStdString();
        EXPECT_EQ(back->runs(), c.runs())
            << c.rtf().toStdString() << "\nread back: " << back->plainText().toStdString();
    }
}

TEST(FormattedCitation, RtfNamesTheBaseFontAndItsSize)
{
    const FormattedCitation c({{u"Smith J. "_s, false}, {u"Nature"_s, true}, {u"."_s, false}});
    EXPECT_EQ(c.rtf({u"DejaVu Sans"_s, 10}),
              QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil DejaVu Sans;}}\\f0\\fs20\\uc1 "
                         "Smith J. {\\i Nature}.}"));
    // A citation without italic runs is all in the base font.
    EXPECT_EQ(FormattedCitation({{u"Plain"_s, false}}).rtf({u"Cantarell"_s, 11.5}),
              QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Cantarell;}}\\f0\\fs23\\uc1 Plain}"));

    // A family name cannot end its entry or open a group; sizes stay in range.
    struct Case
    {
        QString family;
        double size;
        QByteArray head;
    };
    const QList<Case> cases = {
        {u"Evil;}}{\\rtf1 \u00c9\u0001"_s, 0,
         "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Evilrtf1;}}\\f0\\uc1 "},
        {u" ;{} "_s, -3, "{\\rtf1\\ansi\\uc1 "},
        {QString(200, u'A'), 1e9,
         "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil " + QByteArray(64, 'A') + ";}}\\f0\\fs3276\\uc1 "},
        {u"Mono"_s, std::numeric_limits<double>::infinity(),
         "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Mono;}}\\f0\\fs3276\\uc1 "},
        {u"Mono"_s, std::numeric_limits<double>::quiet_NaN(),
         "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Mono;}}\\f0\\uc1 "},
        {u"Mono"_s, 0.1, "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Mono;}}\\f0\\fs2\\uc1 "},
    };
    for (const Case& k : cases) {
        const QByteArray rtf = FormattedCitation({{u"x"_s, false}}).rtf({k.family, k.size});
        EXPECT_EQ(rtf, k.head + "x}") << k.family.toStdString();
    }
}

TEST(FormattedCitation, RtfWithABaseFontRoundTripsThroughAnRtfReader)
{
    const QString unrtf = QStandardPaths::findExecutable(u"unrtf"_s);
    if (unrtf.isEmpty())
        GTEST_SKIP() << "unrtf is not installed; scripts/setup installs it";
    const FormattedCitation c({{u"Smith JA. Effects of exercise on sleep. "_s, false},
                               {u"J Sleep Res"_s, true},
                               {u". 2020;29(3):123\u2013129."_s, false}});
    QString failure;
    QStringList fonts;
    const std::optional<FormattedCitation> back =
        readBackWithUnrtf(unrtf, c.rtf({u"DejaVu Sans"_s, 10}), &failure, &fonts);
    ASSERT_TRUE(back.has_value()) << failure.toStdString();
    EXPECT_EQ(back->runs(), c.runs());
    // Every run in the base font, the italic one included.
    EXPECT_TRUE(fonts.contains(u"F=DejaVu Sans"_s)) << fonts.join(u", "_s).toStdString();
    EXPECT_FALSE(std::ranges::any_of(fonts, [](const QString& f) {
        return f.startsWith(u"F="_s) && f != u"F=DejaVu Sans"_s;
    })) << fonts.join(u", "_s).toStdString();
}
