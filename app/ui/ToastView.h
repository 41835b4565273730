#pragma once

#include <QWidget>

// The confirmation toast: a check mark and the message on the toast surface, in a
// rounded rectangle with a hairline and a soft shadow. It paints itself whole, so it
// can fade as one piece (opacity).
class ToastView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ToastView)
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)

public:
    // Room around the toast's surface for its shadow.
    static constexpr int shadowMargin = 16;

    explicit ToastView(QWidget* parent = nullptr);

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
};
