#pragma once

#include "literature/LiteratureRecords.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include <functional>

class QVariantAnimation;

// A group's title above its cards: upper case, small, bold and secondary.
class GroupLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GroupLabel)

public:
    explicit GroupLabel(const QString& text, QWidget* parent = nullptr);
};

// The number of a card: the "{n}.square.fill" symbol up to 50, the figure as text above.
class NumberChip final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NumberChip)

public:
    static constexpr int largestSymbol = 50;

    explicit NumberChip(int index, QWidget* parent = nullptr);
    [[nodiscard]] bool showsSymbol() const { return m_index <= largestSymbol; }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_index;
};

// A borderless button that shows one line of text (the card's PMID line).
class PlainTextButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlainTextButton)

public:
    PlainTextButton(const QString& text, double pixelSize, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool m_hovered = false;
};

// Toggles a card's quote between two lines and the whole excerpt.
class QuoteDisclosureButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuoteDisclosureButton)

public:
    explicit QuoteDisclosureButton(QWidget* parent = nullptr);
    [[nodiscard]] bool isExpanded() const { return isChecked(); }
    [[nodiscard]] bool isHovered() const { return m_hovered; }
    [[nodiscard]] QSize sizeHint() const override { return {24, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateTexts();

    bool m_hovered = false;
    double m_rotation = 0; // 0 collapsed, 1 expanded
    double m_hover = 0;
    QVariantAnimation* m_rotationAnimation;
    QVariantAnimation* m_hoverAnimation;
};

// The evidence block of a card: the first quote in two lines, or every quote in full.
class QuoteBlock final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuoteBlock)

public:
    QuoteBlock(QStringList quotes, QWidget* parent = nullptr);

    [[nodiscard]] bool isExpanded() const;
    void setExpanded(bool expanded);
    [[nodiscard]] QString displayedText() const;
    [[nodiscard]] QLabel* textLabel() const { return m_text; }
    [[nodiscard]] QuoteDisclosureButton* disclosureButton() const { return m_button; }

    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    // The text shown for a width of text: collapsed, the first quote cut to two lines.
    [[nodiscard]] QString textFor(int textWidth) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] int textWidthFor(int width) const;
    void relayout();
    void showText(const QString& text);

    QStringList m_quotes;
    QString m_shown; // the plain text the label shows
    mutable int m_measuredWidth = -1;
    mutable bool m_measuredExpanded = false;
    mutable int m_measuredHeight = 0;
    QLabel* m_text;
    QuoteDisclosureButton* m_button;
};

// The capsule "Cite" button of a card, shown while the pointer is over the card or
// the button has the keyboard focus.
class CiteButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CiteButton)

public:
    explicit CiteButton(QWidget* parent = nullptr);
    void setRevealed(bool revealed);
    [[nodiscard]] bool isRevealed() const { return m_revealed; }
    [[nodiscard]] bool isHovered() const { return m_hovered; }
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void focusChanged(bool focused);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool m_revealed = false;
    bool m_hovered = false;
    double m_reveal = 0; // 0 transparent and shifted right, 1 shown
    QVariantAnimation* m_animation;
};

// One reference of the result: number, title, metadata, evidence, PMID line, Cite.
class ReferenceCard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReferenceCard)

public:
    ReferenceCard(int index, LiteratureReference reference, bool includeEvidence, std::function<void()> open,
                  std::function<void()> cite, QWidget* parent = nullptr);

    [[nodiscard]] int index() const { return m_index; }
    [[nodiscard]] const LiteratureReference& reference() const { return m_reference; }
    [[nodiscard]] bool isHovered() const { return m_hovered; }

    [[nodiscard]] NumberChip* numberChip() const { return m_chip; }
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] QLabel* metadataLabel() const { return m_metadata; }
    [[nodiscard]] QuoteBlock* quoteBlock() const { return m_quote; } // null without evidence
    [[nodiscard]] PlainTextButton* footButton() const { return m_foot; }
    [[nodiscard]] CiteButton* citeButton() const { return m_cite; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void updateCiteVisibility();

    int m_index;
    LiteratureReference m_reference;
    bool m_hovered = false;
    NumberChip* m_chip;
    QLabel* m_title;
    QLabel* m_metadata;
    QuoteBlock* m_quote = nullptr;
    PlainTextButton* m_foot;
    CiteButton* m_cite;
};
