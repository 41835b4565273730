#pragma once

#include "Theme.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QWidget>

#include <functional>

class QVBoxLayout;

// Building blocks of the settings and onboarding windows. Colours come from the theme
// at paint time (or when the palette changes), so both windows follow a change of the
// desktop's appearance without a restart.

// Text in one of the theme's text colours, at a pixel size and weight.
class ThemedLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ThemedLabel)

public:
    enum class Tone
    {
        primary,
        secondary,
        danger,
        success
    };

    ThemedLabel(const QString& text, double pixelSize, QFont::Weight weight = QFont::Normal,
                Tone tone = Tone::primary, QWidget* parent = nullptr);
    void setTone(Tone tone);
    [[nodiscard]] Tone tone() const { return m_tone; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyTone();
    Tone m_tone;
};

// A plain area filled with one theme colour (and an optional hairline on its right edge).
class ThemedSurface final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ThemedSurface)

public:
    using ColorOf = std::function<QColor(const Theme&)>;
    explicit ThemedSurface(ColorOf fill, bool hairlineRight = false, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ColorOf m_fill;
    bool m_hairlineRight;
};

// A switch-style toggle tinted with the accent. Its label is not shown; it is the
// switch's accessible name.
class LabeledSwitch final : public QAbstractButton
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LabeledSwitch)

public:
    explicit LabeledSwitch(const QString& label, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override { return {34, 20}; }
    // Sets the state without emitting toggled (to show the model's value).
    void showChecked(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A compact picker over tagged options; its label is not shown but is its accessible name.
class SelectPill final : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectPill)

public:
    SelectPill(const QString& label, const QList<std::pair<QString, int>>& options,
               QWidget* parent = nullptr);
    [[nodiscard]] int selectedTag() const;
    // Selects the option with tag without emitting tagSelected.
    void showTag(int tag);

signals:
    void tagSelected(int tag);
};

// A short text in a rounded frame of the inset surface with a hairline border.
class TextPill final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextPill)

public:
    TextPill(const QString& text, const QString& accessibleName, QWidget* parent = nullptr);
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A titled group of rows: the title upper-cased, small, semibold and secondary.
class SettingsGroup final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsGroup)

public:
    explicit SettingsGroup(const QString& title, QWidget* parent = nullptr);
    void addRow(QWidget* row);
    [[nodiscard]] QString title() const { return m_title; }

private:
    QString m_title;
    QVBoxLayout* m_rows;
};

// One row of a group: a label, an optional description, the control on the right and
// a hairline below when showDivider.
class SettingsRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsRow)

public:
    SettingsRow(const QString& label, const QString& description, QWidget* control, bool showDivider,
                QWidget* parent = nullptr);
    [[nodiscard]] ThemedLabel* label() const { return m_label; }
    [[nodiscard]] ThemedLabel* description() const { return m_description; }
    void setDescription(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThemedLabel* m_label;
    ThemedLabel* m_description;
    bool m_showDivider;
};

// A row of an info card: a small dot, then an optional lead text, a bold part in the
// primary colour and the rest.
struct InfoRowText
{
    QString lead;
    QString bold;
    QString rest;
};

// A rounded card of the inset surface holding info rows (and other widgets).
class InfoCard final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InfoCard)

public:
    explicit InfoCard(const QList<InfoRowText>& rows, QWidget* parent = nullptr);
    void addWidget(QWidget* widget);
    [[nodiscard]] QStringList rowTexts() const; // the plain text of each info row

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_layout;
    QList<QLabel*> m_rows;
};

// A consent row of the onboarding: a title, a detail text and a switch.
class ConsentRow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsentRow)

public:
    ConsentRow(const QString& title, const QString& detail, QWidget* parent = nullptr);
    [[nodiscard]] LabeledSwitch* toggle() const { return m_switch; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LabeledSwitch* m_switch;
};

// One onboarding step: the product mark on its rounded square, the title, the
// description, then the step's content.
class StepLayout final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StepLayout)

public:
    StepLayout(const QString& title, const QString& description, QWidget* content, QWidget* parent = nullptr);
    [[nodiscard]] QString title() const;
    [[nodiscard]] QString descriptionText() const;

private:
    ThemedLabel* m_title;
    ThemedLabel* m_description;
};
