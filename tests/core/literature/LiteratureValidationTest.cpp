#include "literature/LiteratureError.h"
#include "literature/LiteratureInputValidator.h"
#include "literature/VORNAPIKeyFormat.h"

#include <QList>

#include <gtest/gtest.h>

namespace {

const QString minimumMessage =
    QStringLiteral("Select a complete scientific sentence (at least 10 characters).");

QString repeated(const QString& unit, int times)
{
    QString s;
    for (int i = 0; i < times; ++i)
        s += unit;
    return s;
}

} // namespace

TEST(LiteratureInputValidator, NormalizesAndChecksLength)
{
    struct Row
    {
        QString input;
        std::optional<QString> normalized;
        QString error;
    };
    const QString e = QStringLiteral("e\u0301"); // one character, two code units
    const QList<Row> rows = {
        {QStringLiteral("  Aspirin\n\n reduces   fever.  "), QStringLiteral("Aspirin reduces fever."), {}},
        {QStringLiteral("p53\\; MDM2\\, and ATM\\: a review of the pathway"),
         QStringLiteral("p53; MDM2, and ATM: a review of the pathway"),
         {}},
        {QStringLiteral("a\\b is kept as typed"), QStringLiteral("a\\b is kept as typed"), {}},
        {QStringLiteral("Too short"), std::nullopt, minimumMessage},
        {QStringLiteral("0123456789"), QStringLiteral("0123456789"), {}},
        {QStringLiteral(" \t\r\n\u00a0\u2028\u2029\u3000 "), std::nullopt, minimumMessage},
        {QStringLiteral("tab\tnbsp\u00a0line\u2028para\u2029cr\r\nend"),
         QStringLiteral("tab nbsp line para cr end"),
         {}},
        // Nine user-perceived characters although eighteen code units.
        {repeated(e, 9), std::nullopt, minimumMessage},
        {repeated(e, 10), repeated(e, 10), {}},
        {repeated(QStringLiteral("x"), 1000), repeated(QStringLiteral("x"), 1000), {}},
        {repeated(QStringLiteral("x"), 1001), std::nullopt,
         QStringLiteral(
             "The selection is 1001 characters. The VORN citation endpoint accepts at most 1000 characters.")},
        {repeated(QStringLiteral("x"), 1234), std::nullopt,
         QStringLiteral(
             "The selection is 1234 characters. The VORN citation endpoint accepts at most 1000 characters.")},
        // 999 letters and a run of white space collapse to 1000 characters.
        {repeated(QStringLiteral("x"), 500) + QStringLiteral(" \n\n   \t") +
             repeated(QStringLiteral("x"), 499),
         repeated(QStringLiteral("x"), 500) + u' ' + repeated(QStringLiteral("x"), 499),
         {}},
    };
    for (const Row& row : rows) {
        const auto got = LiteratureInputValidator::normalize(row.input);
        if (row.normalized) {
            ASSERT_TRUE(got.has_value()) << row.input.toStdString();
            EXPECT_EQ(*got, *row.normalized);
        } else {
            ASSERT_FALSE(got.has_value()) << row.input.toStdString();
            EXPECT_EQ(got.error(), LiteratureError::invalidInput(row.error));
            EXPECT_EQ(got.error().errorDescription(), row.error);
        }
    }
}

TEST(LiteratureInputValidator, CountsCrLfAsOneCharacter)
{
    EXPECT_EQ(LiteratureInputValidator::characterCount(QStringLiteral("a\r\nb")), 3);
    EXPECT_EQ(LiteratureInputValidator::characterCount(QString()), 0);
}

TEST(VORNAPIKeyFormat, AcceptsOnlyWellFormedKeys)
{
    EXPECT_EQ(VORNAPIKeyFormat::normalize(QStringLiteral("  vorn_AbC-123_xyz \n")),
              QStringLiteral("vorn_AbC-123_xyz"));
    for (const QString& bad :
         {QStringLiteral("vorn_"), QStringLiteral("VORN_abc"), QStringLiteral("vorn_ab c"),
          QStringLiteral("vorn_ab\nc"), QStringLiteral("vorn_abç"), QStringLiteral(""),
          QStringLiteral("key_vorn_abc"), QStringLiteral("vorn_ab.c")}) {
        EXPECT_FALSE(VORNAPIKeyFormat::normalize(bad).has_value()) << bad.toStdString();
    }
}

TEST(LiteratureError, DescriptionsAndEquality)
{
    struct Row
    {
        LiteratureError error;
        QString description;
    };
    const QList<Row> rows = {
        {LiteratureError::invalidInput(QStringLiteral("Bad.")), QStringLiteral("Bad.")},
        {LiteratureError::requestFailed(404), QStringLiteral("The literature service returned HTTP 404.")},
        {LiteratureError::requestFailed(404, QStringLiteral("Not found")),
         QStringLiteral("The literature service returned HTTP 404: Not found")},
        {LiteratureError::malformedResponse(QStringLiteral("x")),
         QStringLiteral("The literature service returned an unexpected response: x")},
        {LiteratureError::transport(QStringLiteral("y")), QStringLiteral("The literature request failed: y")},
        {LiteratureError::missingCredential(),
         QStringLiteral("Enter a VORN API key in Settings before searching.")},
        {LiteratureError::invalidEndpoint(), QStringLiteral("The literature service endpoint is invalid.")},
        {LiteratureError::cancelled(), QStringLiteral("The literature request was cancelled.")},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.error.errorDescription(), row.description);

    EXPECT_NE(LiteratureError::requestFailed(404),
              LiteratureError::requestFailed(404, QStringLiteral("Not found")));
    EXPECT_NE(LiteratureError::requestFailed(404, QString()), LiteratureError::requestFailed(404));
    EXPECT_EQ(LiteratureError::cancelled(), LiteratureError::cancelled());
    EXPECT_NE(LiteratureError::transport(QStringLiteral("a")),
              LiteratureError::malformedResponse(QStringLiteral("a")));
}

TEST(LiteratureInputValidator, CollapsesWhitespaceAndKeepsCollapsedText)
{
    const QList<std::pair<QString, QString>> rows = {
        {QStringLiteral(""), QStringLiteral("")},
        {QStringLiteral(" "), QStringLiteral("")},
        {QStringLiteral("a b c"), QStringLiteral("a b c")},
        {QStringLiteral(" a"), QStringLiteral("a")},
        {QStringLiteral("a "), QStringLiteral("a")},
        {QStringLiteral("a  b"), QStringLiteral("a b")},
        {QStringLiteral("a\tb"), QStringLiteral("a b")},
        {QStringLiteral("a\u00a0b\u2029c"), QStringLiteral("a b c")},
    };
    for (const auto& [text, collapsed] : rows)
        EXPECT_EQ(LiteratureInputValidator::collapseWhitespace(text), collapsed) << text.toStdString();
}
