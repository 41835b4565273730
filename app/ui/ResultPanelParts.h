#pragma once

#include "Buttons.h"
#include "FloatingPanel.h"
#include "ReferenceCard.h"
#include "literature/LiteratureRecords.h"

#include <QLabel>
#include <QWidget>

#include <functional>

class QScrollArea;
class QVBoxLayout;
class QVariantAnimation;

// The result panel's header: the mark, the title and the phase's subtitle on a drag
// handle, and the round close button at the right.
class PanelHeader final : public WindowDragHandle
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PanelHeader)

public:
    explicit PanelHeader(QWidget* parent = nullptr);
    void setSubtitle(const QString& subtitle);
    [[nodiscard]] QLabel* titleLabel() const { return m_title; }
    [[nodiscard]] QLabel* subtitleLabel() const { return m_subtitle; }
    [[nodiscard]] CircularCloseButton* closeButton() const { return m_close; }

private:
    QLabel* m_title;
    QLabel* m_subtitle;
    CircularCloseButton* m_close;
};

// A small spinning progress indicator; it turns only while it is visible.
class ProgressSpinner final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgressSpinner)

public:
    explicit ProgressSpinner(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    double m_angle = 0;
    QVariantAnimation* m_turn;
};

// The content while a query runs: the indicator above "Searching literature evidence…".
class LoadingView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoadingView)

public:
    explicit LoadingView(QWidget* parent = nullptr);
    [[nodiscard]] QLabel* textLabel() const { return m_text; }

private:
    QLabel* m_text;
};

// The grouped reference cards in a scroll area, and the footer with the report copies.
class ReferenceListView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReferenceListView)

public:
    using ReferenceAction = std::function<void(const LiteratureReference&)>;

    explicit ReferenceListView(QWidget* parent = nullptr);

    // Rebuilds the list; cards' expansion and hover states start over.
    void setReferences(const QList<LiteratureReference>& references, bool includeEvidence,
                       ReferenceAction open, ReferenceAction cite);
    // The height that shows everything at width, without scrolling.
    [[nodiscard]] int preferredHeight(int width) const;

    [[nodiscard]] QList<QWidget*> listItems() const; // group labels and cards, in order
    [[nodiscard]] QList<ReferenceCard*> cards() const;
    [[nodiscard]] QScrollArea* scrollArea() const { return m_scroll; }
    [[nodiscard]] QLabel* footerNote() const { return m_note; }
    [[nodiscard]] StyledButton* copyPlainButton() const { return m_copyPlain; }
    [[nodiscard]] StyledButton* copyRichButton() const { return m_copyRich; }

signals:
    void copyPlainRequested();
    void copyRichRequested();

protected:
    void changeEvent(QEvent* event) override;

private:
    void styleScrollBar();

    QScrollArea* m_scroll;
    QWidget* m_content;
    QVBoxLayout* m_list;
    QWidget* m_footer;
    QLabel* m_note;
    StyledButton* m_copyPlain;
    StyledButton* m_copyRich;
};

// The layer over the result panel while the cite panel is open; a click on it asks
// for the cite panel to close.
class DimmingLayer final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DimmingLayer)

public:
    DimmingLayer(double cornerRadius, QWidget* parent = nullptr);
    std::function<void()> onTap;
    void setDimmed(bool dimmed);
    [[nodiscard]] bool isDimmed() const { return m_dimmed; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    double m_cornerRadius;
    bool m_dimmed = false;
    double m_amount = 0;
    QVariantAnimation* m_animation;
};
