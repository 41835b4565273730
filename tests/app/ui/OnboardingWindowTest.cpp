// The onboarding window on the offscreen platform: its steps, the footer's buttons on
// each step, the trust poll, the key form and the finish check.
#include "OnboardingWindow.h"
#include "Buttons.h"
#include "SettingsControls.h"
#include "SetupWindowsTestSupport.h"

#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString validKey = QStringLiteral("vorn_abc-DEF_123");

class OnboardingTest : public SetupWindowsTest
{
protected:
    std::unique_ptr<OnboardingWindow> window;

    void open(OnboardingWindow::Options options = {.trayAvailable = true, .trustPollMilliseconds = 20})
    {
        window = std::make_unique<OnboardingWindow>(*coordinator, options);
        window->show();
        drain();
    }

    [[nodiscard]] QStringList footer() const { return textsOf(window->footerButtons()); }

    StyledButton* footerButton(const QString& text) const
    {
        for (StyledButton* button : window->footerButtons())
            if (button->text() == text)
                return button;
        return nullptr;
    }

    void click(const QString& text)
    {
        StyledButton* button = footerButton(text);
        ASSERT_NE(button, nullptr) << text.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
        drain();
    }
};

TEST_F(OnboardingTest, StepsCarryTheirTitlesAndTheLinuxWordings)
{
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Set Up VORN Cite"));
    EXPECT_EQ(window->size(), QSize(520, 520));
    const QStringList titles = {u"Welcome to VORN Cite"_s, u"Allow selected-text access"_s,
                                u"Store your VORN key"_s, u"Your choices"_s};
    for (int i = 0; i < OnboardingWindow::stepCount; ++i)
        EXPECT_EQ(window->stepLayout(i)->title(), titles[i]);
    EXPECT_TRUE(
        window->stepLayout(0)->descriptionText().contains(QStringLiteral("press Alt+Super+G or click")));
    EXPECT_EQ(window->stepLayout(2)->descriptionText(),
              QStringLiteral("The vorn_ key is stored in your keyring and sent only to the VORN endpoint."));
    EXPECT_EQ(window->welcomeCard()->rowTexts(),
              (QStringList{u"Select a sentence with a scientific claim."_s,
                           u"Invoke the hot key, the badge, or the Services menu."_s,
                           u"Cite the returned PubMed references in one click."_s}));
    EXPECT_EQ(window->accessibilityCard()->rowTexts(),
              (QStringList{u"Step 2 of 4 — Accessibility required"_s,
                           u"Desktop accessibility (assistive technologies)"_s}));
    EXPECT_EQ(window->trustPending()->text(), QStringLiteral("Choose Request Access, then return here."));
    EXPECT_EQ(window->noTrayNote(), nullptr);
}

TEST_F(OnboardingTest, WithoutATrayHostTheWelcomeSaysHowEverythingIsReached)
{
    open({.trayAvailable = false, .trustPollMilliseconds = 20});
    ASSERT_NE(window->noTrayNote(), nullptr);
    EXPECT_TRUE(window->noTrayNote()->isVisibleTo(window.get()));
    const QString note = static_cast<QLabel*>(window->noTrayNote())->text();
    EXPECT_TRUE(note.contains(QStringLiteral("Alt+Super+G")));
    EXPECT_TRUE(note.contains(QStringLiteral("vorn-cite --settings")));
    EXPECT_TRUE(note.contains(QStringLiteral("Settings")));
}

TEST_F(OnboardingTest, WelcomeContinuesToTheAccessibilityStepWhichOffersOnlyTheTrustButtons)
{
    open();
    EXPECT_EQ(footer(), QStringList{u"Continue"_s});
    EXPECT_FALSE(window->isPollingTrust());
    click(QStringLiteral("Continue"));
    EXPECT_EQ(window->step(), 1);
    EXPECT_EQ(footer(), (QStringList{u"Open System Settings"_s, u"Request Access"_s}));
    EXPECT_EQ(footerButton(QStringLiteral("Open System Settings"))->kind(), StyledButton::Kind::secondary);
    EXPECT_EQ(footerButton(QStringLiteral("Request Access"))->kind(), StyledButton::Kind::primary);
    EXPECT_TRUE(window->isPollingTrust());
    EXPECT_FALSE(window->trustGranted()->isVisibleTo(window.get()));

    click(QStringLiteral("Open System Settings"));
    EXPECT_EQ(permission->settingsOpened, 1);
    EXPECT_EQ(window->step(), 1);
}

TEST_F(OnboardingTest, ContinueAppearsOnceThePollSeesTrust)
{
    open();
    click(QStringLiteral("Continue"));
    permission->trusted = true; // granted in the desktop's settings
    EXPECT_TRUE(QTest::qWaitFor([&] { return footer() == QStringList{u"Continue"_s}; }, 2000));
    EXPECT_TRUE(window->accessibilityTrusted());
    EXPECT_TRUE(window->trustGranted()->isVisibleTo(window.get()));
    EXPECT_FALSE(window->trustPending()->isVisibleTo(window.get()));
    click(QStringLiteral("Continue"));
    EXPECT_EQ(window->step(), 2);
    EXPECT_FALSE(window->isPollingTrust()) << "the key step does not poll";
}

TEST_F(OnboardingTest, RequestAccessPromptsThenReadsTheTrust)
{
    permission->promptGrants = true;
    open();
    click(QStringLiteral("Continue"));
    click(QStringLiteral("Request Access"));
    EXPECT_EQ(permission->prompts, 1);
    EXPECT_TRUE(window->accessibilityTrusted());
    EXPECT_EQ(footer(), QStringList{u"Continue"_s});
}

TEST_F(OnboardingTest, KeyStepNeedsAStoredKeyAndKeepsAMalformedOne)
{
    permission->trusted = true;
    open();
    click(QStringLiteral("Continue"));
    click(QStringLiteral("Continue"));
    ASSERT_EQ(window->step(), 2);
    EXPECT_EQ(footer(), QStringList{u"Continue"_s});
    EXPECT_FALSE(footerButton(QStringLiteral("Continue"))->isEnabled());
    EXPECT_EQ(window->keyCaption()->text(), QStringLiteral("VORN API key"));
    EXPECT_EQ(window->keyField()->placeholderText(), QStringLiteral("vorn_…"));
    EXPECT_EQ(window->keyField()->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(window->saveButton()->isEnabled());

    // White space only: Save stays disabled; Return never saves.
    QTest::keyClicks(window->keyField(), QStringLiteral("  "));
    EXPECT_FALSE(window->saveButton()->isEnabled());
    window->keyField()->setText(QStringLiteral("not a key"));
    QTest::keyClick(window->keyField(), Qt::Key_Return);
    EXPECT_EQ(keyStore->saves, 0);

    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(keyStore->saves, 1);
    EXPECT_EQ(window->keyMessageLabel()->text(), VORNAPIKeyStoreError::invalidKey().errorDescription());
    EXPECT_TRUE(window->keyMessageLabel()->isVisibleTo(window.get()));
    EXPECT_EQ(window->keyField()->text(), QStringLiteral("not a key"));
    EXPECT_FALSE(footerButton(QStringLiteral("Continue"))->isEnabled());

    window->keyField()->setText(validKey + u'\n');
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(keyStore->key, validKey);
    EXPECT_EQ(window->keyMessageLabel()->text(), OnboardingWindow::keySavedMessage);
    EXPECT_TRUE(window->keyField()->text().isEmpty());
    EXPECT_EQ(window->keyCaption()->text(), QStringLiteral("VORN API key — stored securely"));
    EXPECT_EQ(window->keyField()->placeholderText(), QStringLiteral("Enter a replacement key (optional)"));
    EXPECT_TRUE(footerButton(QStringLiteral("Continue"))->isEnabled());

    click(QStringLiteral("Continue"));
    EXPECT_EQ(window->step(), 3);
    EXPECT_FALSE(window->message().has_value()) << "Continue clears the message";
}

TEST_F(OnboardingTest, ChoicesStepAppliesTheRecommendedDefaultsButKeepsAnExplicitChoice)
{
    settings->setCompatibilityCaptureEnabled(false); // chosen before setup
    keyStore->key = validKey;
    permission->trusted = true;
    open();
    for (int i = 0; i < 3; ++i)
        click(QStringLiteral("Continue"));
    ASSERT_EQ(window->step(), 3);
    EXPECT_TRUE(settings->automaticSelectionEnabled());
    EXPECT_FALSE(settings->compatibilityCaptureEnabled());
    EXPECT_TRUE(window->badgeConsent()->toggle()->isChecked());
    EXPECT_FALSE(window->copyConsent()->toggle()->isChecked());

    QTest::mouseClick(window->copyConsent()->toggle(), Qt::LeftButton);
    EXPECT_TRUE(settings->compatibilityCaptureEnabled());
    QTest::mouseClick(window->badgeConsent()->toggle(), Qt::LeftButton);
    EXPECT_FALSE(settings->automaticSelectionEnabled());
    EXPECT_EQ(footer(), QStringList{u"Finish Setup"_s});
}

TEST_F(OnboardingTest, FinishIsRefusedWithoutTrustOrKey)
{
    keyStore->key = validKey;
    permission->trusted = true;
    open();
    for (int i = 0; i < 3; ++i)
        click(QStringLiteral("Continue"));
    StyledButton* finish = footerButton(QStringLiteral("Finish Setup"));
    ASSERT_NE(finish, nullptr);
    EXPECT_TRUE(finish->isEnabled());
    EXPECT_TRUE(window->isPollingTrust()) << "the last step polls the trust";

    // Trust revoked after the last poll: the click is refused with the sentence in red.
    permission->trusted = false;
    window->finish();
    EXPECT_FALSE(settings->hasCompletedOnboarding());
    EXPECT_EQ(windows->onboardingClosed, 0);
    EXPECT_EQ(window->finishMessageLabel()->text(), OnboardingWindow::finishRefusedMessage);
    EXPECT_TRUE(window->finishMessageLabel()->isVisibleTo(window.get()));
    EXPECT_EQ(window->finishMessageLabel()->tone(), ThemedLabel::Tone::danger);
    EXPECT_FALSE(finish->isEnabled());

    // Trust back, key gone: still disabled.
    permission->trusted = true;
    keyStore->key.reset();
    coordinator->refreshCredentialStatus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->accessibilityTrusted(); }, 2000));
    EXPECT_FALSE(finish->isEnabled());

    keyStore->key = validKey;
    coordinator->refreshCredentialStatus();
    ASSERT_TRUE(finish->isEnabled());
    QTest::mouseClick(finish, Qt::LeftButton);
    EXPECT_TRUE(settings->hasCompletedOnboarding());
    EXPECT_EQ(windows->onboardingClosed, 1);
}

TEST_F(OnboardingTest, ThePollStopsWithTheWindow)
{
    open();
    click(QStringLiteral("Continue"));
    ASSERT_TRUE(window->isPollingTrust());
    window->close();
    EXPECT_FALSE(window->isPollingTrust());
    window->show();
    EXPECT_TRUE(window->isPollingTrust());
}

} // namespace
