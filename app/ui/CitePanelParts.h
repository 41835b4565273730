#pragma once

#include "citation/FormattedCitation.h"

#include <QAbstractButton>
#include <QTextDocument>

#include <functional>

class QVariantAnimation;

// One citation style in the cite panel: a plain button showing the citation with its
// italic runs on the inset surface (the soft accent while the pointer is over it);
// pressing it runs action.
class FormatBox final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormatBox)

public:
    static constexpr int horizontalPadding = 10;
    static constexpr int verticalPadding = 8;
    static constexpr double cornerRadius = 7;

    FormatBox(QString label, FormattedCitation citation, std::function<void()> action,
              QWidget* parent = nullptr);

    [[nodiscard]] const QString& label() const { return m_label; }
    [[nodiscard]] const FormattedCitation& citation() const { return m_citation; }
    [[nodiscard]] bool isHovered() const { return m_isHovered; }

    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildDocument();
    void setHovered(bool hovered);

    QString m_label;
    FormattedCitation m_citation;
    std::function<void()> m_action;
    mutable QTextDocument m_document;
    bool m_isHovered = false;
    double m_hover = 0; // 0 at rest, 1 hovered, animated
    QVariantAnimation* m_hoverAnimation;
};

// A button drawn as an outline: medium-weight text in the deep accent, the soft accent
// behind it while pressed, a rounded one-point outline.
class OutlineButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OutlineButton)

public:
    explicit OutlineButton(const QString& title, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
};
