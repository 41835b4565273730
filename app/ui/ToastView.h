#pragma once

#include <QWidget>

#include <optional>

class QVariantAnimation;

// The confirmation toast: a check mark and the message on the toast surface, in a
// rounded rectangle with a hairline and a soft shadow. It paints itself whole, so it
// can fade as one piece (opacity). Presented, it slides down from its parent's top
// edge to a given top, centred, while it fades in; withdrawn, it slides back and hides.
class ToastView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToastView)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)

public:
    // Room around the toast's surface for its shadow.
    static constexpr int shadowMargin = 16;

    // top: where the toast's surface rests when shown, from the parent's top edge.
    explicit ToastView(int top, QWidget* parent);

    // Shows message, or withdraws the toast without one.
    void present(const std::optional<QString>& message);
    [[nodiscard]] bool isPresented() const { return m_presented; }
    // Places the toast for its parent's width; the parent calls it when it resizes.
    void place();

    void setMessage(const QString& message);
    [[nodiscard]] const QString& message() const { return m_message; }
    [[nodiscard]] double opacity() const { return m_opacity; }
    void setOpacity(double opacity);

    // The surface without the shadow margin, in the widget's coordinates.
    [[nodiscard]] QRect surfaceRect() const;
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_message;
    double m_opacity = 1.0;
    int m_top;
    QVariantAnimation* m_animation;
    double m_progress = 0;
    bool m_presented = false;
};
