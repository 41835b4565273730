#pragma once

#include <QAbstractButton>

#include <functional>

class QVariantAnimation;

// The selection badge: a 40-point rounded square in the accent gradient holding the
// white product mark, centred in an 80-point transparent margin that its shadows
// fall into. It grows from 60 % while it fades in, and grows to 110 % while the
// pointer is over it; only the rounded square takes clicks and hovers.
class SelectionBadgeView final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectionBadgeView)

public:
    static constexpr int contentSize = 80;
    static constexpr int badgeSize = 40;
    static const QString toolTipText;
    static const QString accessibilityLabel;

    explicit SelectionBadgeView(QWidget* parent = nullptr);
    ~SelectionBadgeView() override;

    std::function<void()> onFindCitations;

    [[nodiscard]] bool isHovered() const { return m_isHovered; }
    [[nodiscard]] bool hasAppeared() const { return m_hasAppeared; }
    [[nodiscard]] QSize sizeHint() const override { return {contentSize, contentSize}; }
    // The rounded square, in the view's coordinates.
    [[nodiscard]] static QRectF badgeRect();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    void setHovered(bool hovered);

    bool m_isHovered = false;
    bool m_hasAppeared = false;
    double m_appearance = 0; // 0 before it has appeared, 1 after
    double m_hover = 0; // 0 resting, 1 hovered
    QVariantAnimation* m_appearAnimation;
    QVariantAnimation* m_hoverAnimation;
};
