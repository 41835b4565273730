#pragma once

#include <QAbstractButton>

// The two button styles of the windows: primary (white text on the deep accent) and
// secondary (text on the card surface with a hairline outline), each in a regular and
// a compact size. Reused by every window.
class StyledButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StyledButton)

public:
    enum class Kind
    {
        primary,
        secondary
    };

    StyledButton(const QString& title, Kind kind, bool compact = false, QWidget* parent = nullptr);

    [[nodiscard]] Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    [[nodiscard]] bool isCompact() const { return m_compact; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Kind m_kind;
    bool m_compact;
};

// The round close button: an "xmark" in a 20-point circle of the quaternary fill.
class CircularCloseButton final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CircularCloseButton)

public:
    explicit CircularCloseButton(QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override { return {20, 20}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
