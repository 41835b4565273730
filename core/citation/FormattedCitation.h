#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One rendered citation as a sequence of styled runs, plain or italic, and its
// three clipboard renderings: plain text, HTML and RTF.
class FormattedCitation final
{
public:
    struct Run
    {
        QString text;
        bool isItalic = false;

        friend bool operator==(const Run&, const Run&) = default;
    };

    FormattedCitation() = default;
    // Stores the runs normalised: empty runs are dropped and neighbours with the same
    // style are merged, so two citations that read alike compare equal.
    explicit FormattedCitation(const QList<Run>& runs);

    [[nodiscard]] const QList<Run>& runs() const { return m_runs; }

    // The texts of all runs, concatenated.
    [[nodiscard]] QString plainText() const;
    // Each run's text with &, <, > and " escaped, italic runs in <i>…</i>; no
    // surrounding element.
    [[nodiscard]] QString html() const;
    // The rich-text form: a complete RTF document (7-bit ASCII) with italic runs in
    // \i groups, braces and backslashes escaped and every other character outside
    // printable ASCII written as a \uN? escape.
    [[nodiscard]] QByteArray rtf() const;

    // The font that a rich-text document names as the base font of its text.
    struct RtfFont
    {
        QString family; // written as its printable ASCII less backslash, braces and ;
        double pointSize = 0; // not written when not positive
    };
    // The same document with baseFont as the font of every run: one entry in the font
    // table and the size in half-points; italic runs are that font in italic.
    [[nodiscard]] QByteArray rtf(const RtfFont& baseFont) const;

    friend bool operator==(const FormattedCitation&, const FormattedCitation&) = default;

private:
    QList<Run> m_runs;
};
