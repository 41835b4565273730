#include "AccessibilityPrompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

const QString AccessibilityPrompt::turnOnText = QStringLiteral("Turn On Accessibility");

AccessibilityPrompt::AccessibilityPrompt(std::function<void()> turnOn, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("VORN Cite needs desktop accessibility"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        QStringLiteral("VORN Cite reads the sentence you select in other applications through the desktop's "
                       "accessibility interface, which is switched off. Turn it on to find citations for a "
                       "selection. Applications that are already open may need a restart to notice."),
        this);
    text->setWordWrap(true);
    text->setMinimumWidth(380);
    layout->addWidget(text);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* on = buttons->addButton(turnOnText, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Not Now"), QDialogButtonBox::RejectRole);
    on->setDefault(true);
    connect(on, &QPushButton::clicked, this, [this, turnOn = std::move(turnOn)] {
        if (turnOn)
            turnOn();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
