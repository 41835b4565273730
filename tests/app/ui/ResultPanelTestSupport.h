#pragma once

// A coordinator with fakes at its seams and the real result panel controller over it.

#include "AppCoordinator.h"
#include "FakeCitationServices.h"
#include "FakeServices.h"
#include "Motion.h"
#include "ResultPanelController.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

class ResultPanelFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Motion::setEnabled(false);
        AppCoordinator::Dependencies deps;
        deps.backendFactory = [this](const QString&) { return backend; };
        deps.citePanelController = citePanel;
        deps.pasteboard = pasteboard;
        deps.sleeper = sleeper;
        // Details fetches fail at once; these tests never reach PubMed.
        deps.articleService = std::make_shared<PubMedArticleService>(
            QUrl(QStringLiteral("https://127.0.0.1:9/efetch.fcgi")), std::chrono::seconds(1));
        deps.openURL = [this](const QUrl& url) {
            opened.append(url);
            return true;
        };
        coordinator = std::make_unique<AppCoordinator>(std::make_shared<FakeKeyStore>(), deps);
        controller = std::make_shared<ResultPanelController>(
            *coordinator,
            ResultPanelView::Actions{{}, [this] { ++settingsOpened; }, [this] { ++accessibilityOpened; }});
        coordinator->setResultPanelController(controller);
    }

    void TearDown() override
    {
        controller->hide();
        coordinator->setResultPanelController(nullptr);
    }

    static LiteratureQuery query() { return LiteratureQuery{QStringLiteral("Aspirin reduces fever."), {}}; }

    // Runs the query and completes it with result.
    void complete(const LiteratureResult& result)
    {
        coordinator->run(query(), std::nullopt);
        backend->calls.last()->sink.complete(result);
        backend->calls.last()->sink.finish();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return coordinator->phase() == ResultPanelPhase::completed; }, 5000));
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }

    ResultPanelView& view() const { return controller->view(); }

    std::shared_ptr<ScriptedBackend> backend = std::make_shared<ScriptedBackend>();
    std::shared_ptr<FakeCitePanel> citePanel = std::make_shared<FakeCitePanel>();
    std::shared_ptr<FakePasteboard> pasteboard = std::make_shared<FakePasteboard>();
    std::shared_ptr<ManualSleeper> sleeper = std::make_shared<ManualSleeper>();
    QList<QUrl> opened;
    int settingsOpened = 0;
    int accessibilityOpened = 0;
    std::unique_ptr<AppCoordinator> coordinator;
    std::shared_ptr<ResultPanelController> controller;
};
