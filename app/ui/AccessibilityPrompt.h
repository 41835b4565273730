#pragma once

#include <QDialog>

#include <functional>

// Asks the user to switch the desktop's accessibility on, and says why. Only a click
// on its button switches it on (turnOn); closing it changes nothing.
class AccessibilityPrompt final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AccessibilityPrompt)

public:
    explicit AccessibilityPrompt(std::function<void()> turnOn, QWidget* parent = nullptr);

    static const QString turnOnText; // "Turn On Accessibility"
};
