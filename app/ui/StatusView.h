#pragma once

#include "Buttons.h"
#include "Symbols.h"

#include <QLabel>
#include <QWidget>

#include <functional>
#include <optional>

// A centred message of a panel: an icon in a small square, a headline, a body and
// an optional button.
class StatusView final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusView)

public:
    // neutral: the given symbol in the secondary colour; warning: the triangle in danger.
    struct IconKind
    {
        bool warning = false;
        Symbol symbol = Symbol::infoCircle;
        static IconKind neutral(Symbol symbol) { return {false, symbol}; }
        static IconKind warningIcon() { return {true, Symbol::exclamationmarkTriangle}; }
    };
    using ButtonKind = StyledButton::Kind;
    struct Button
    {
        QString title;
        ButtonKind kind = ButtonKind::secondary;
        bool enabled = true;
    };

    explicit StatusView(QWidget* parent = nullptr);

    void set(IconKind icon, const QString& headline, const QString& body,
             const std::optional<Button>& button);
    // Called when the button is pressed.
    std::function<void()> action;

    [[nodiscard]] bool isWarning() const { return m_warning; }
    [[nodiscard]] Symbol iconSymbol() const { return m_icon->symbol(); }
    [[nodiscard]] QLabel* headlineLabel() const { return m_headline; }
    [[nodiscard]] QLabel* bodyLabel() const { return m_body; }
    [[nodiscard]] const QString& body() const { return m_bodyText; }
    // Null while no button is shown.
    [[nodiscard]] StyledButton* button() const;

private:
    bool m_warning = false;
    QString m_bodyText;
    SymbolView* m_icon;
    QLabel* m_headline;
    QLabel* m_body;
    StyledButton* m_button;
};
