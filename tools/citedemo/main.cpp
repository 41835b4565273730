// vorn-cite-cite-panel-demo: the cite panel for one reference, with its PubMed details served by the bundled
// efetch documents over local HTTPS.
//
//   vorn-cite-cite-panel-demo [--state NAME] [--dark]           shows the panel
//   vorn-cite-cite-panel-demo --screenshots DIR [--state NAME]  writes PNGs (light and dark)
//
// NAME is one of loading (the details never arrive), pubmed, retracted (PubMed marks
// the article as retracted), preprint, unavailable, toast.

#include "CitePanelController.h"
#include "CitePanelView.h"
#include "DemoStates.h"
#include "EfetchFixtures.h"
#include "FloatingPanel.h"
#include "Motion.h"
#include "TestCertificateAuthority.h"
#include "TestHttpsServer.h"
#include "service/LiteratureNetworking.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTextStream>

namespace {

const QStringList stateNames = {QStringLiteral("loading"),     QStringLiteral("pubmed"),
                                QStringLiteral("retracted"),   QStringLiteral("preprint"),
                                QStringLiteral("unavailable"), QStringLiteral("toast")};

QPalette darkPalette()
{
    QPalette p;
    const QColor window = QColor::fromRgbF(0.12f, 0.12f, 0.13f);
    const QColor text = QColor::fromRgbF(0.93f, 0.93f, 0.95f);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::Base, QColor::fromRgbF(0.16f, 0.16f, 0.18f));
    p.setColor(QPalette::Button, QColor::fromRgbF(0.2f, 0.2f, 0.22f));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        p.setColor(role, text);
    QColor placeholder = text;
    placeholder.setAlphaF(0.55f);
    p.setColor(QPalette::PlaceholderText, placeholder);
    p.setColor(QPalette::ToolTipBase, window);
    return p;
}

// The demo keeps no key anywhere.
class NoKeyStore final : public VORNAPIKeyStoring
{
public:
    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override { return std::nullopt; }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString&) override { return {}; }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override { return {}; }
};

// The efetch service of the demo: the bundled documents, with the article's
// publication types changed for the retracted and preprint states.
class DemoEfetch
{
public:
    explicit DemoEfetch(EfetchFixtures fixtures) : m_fixtures(std::move(fixtures))
    {
        m_server.setHandler([this](const TestHttpRequest& request) {
            if (state == QLatin1String("loading"))
                return TestHttpResponse::stalled();
            if (state == QLatin1String("unavailable"))
                return TestHttpResponse::json(503, "{}");
            TestHttpResponse response = m_fixtures.answer(request);
            const QByteArray journalArticle =
                "<PublicationType UI=\"D016428\">Journal Article</PublicationType>";
            if (state == QLatin1String("retracted"))
                response.body.replace(journalArticle,
                                      QByteArray(journalArticle + "<PublicationType UI=\"D016441\">"
                                                                  "Retracted Publication</PublicationType>"));
            else if (state == QLatin1String("preprint"))
                response.body.replace(journalArticle,
                                      "<PublicationType UI=\"D000076942\">Preprint</PublicationType>");
            return response;
        });
    }

    bool listen() { return m_server.listen(); }
    QUrl url() const { return m_server.url(EfetchFixtures::path()); }

    QString state;

private:
    EfetchFixtures m_fixtures;
    TestHttpsServer m_server;
};

struct Demo
{
    std::shared_ptr<DemoStates::CannedBackend> backend = std::make_shared<DemoStates::CannedBackend>();
    std::unique_ptr<AppCoordinator> coordinator;
    std::shared_ptr<CitePanelController> controller;
};

Demo makeDemo(const DemoEfetch& efetch)
{
    Demo demo;
    AppCoordinator::Dependencies deps;
    deps.backendFactory = [backend = demo.backend](const QString&) { return backend; };
    deps.articleService = std::make_shared<PubMedArticleService>(
        efetch.url(), LiteratureNetworking::ephemeralSession(
                          std::chrono::seconds(10), {TestCertificateAuthority::shared().caCertificate()}));
    deps.openURL = [](const QUrl&) { return true; };
    demo.coordinator = std::make_unique<AppCoordinator>(std::make_shared<NoKeyStore>(), std::move(deps));
    demo.controller = std::make_shared<CitePanelController>(*demo.coordinator);
    demo.coordinator->setCitePanelController(demo.controller);
    return demo;
}

// A reference as the citation service gives it, for a PMID of the bundled documents.
LiteratureReference serviceReference()
{
    LiteratureReference r;
    r.pmid = QStringLiteral("26568896");
    r.title =
        QStringLiteral("Titanium Dioxide Nanoparticles are not Cytotoxic or Clastogenic in Human Skin Cells");
    r.authors = {QStringLiteral("Browning CL"), QStringLiteral("The T"), QStringLiteral("Mason MD"),
                 QStringLiteral("Wise JP Sr")};
    r.journal = QStringLiteral("J Environ Anal Toxicol");
    r.date = QStringLiteral("2014");
    return r;
}

// Opens the panel for the reference and waits for the state's details.
void enter(Demo& demo, const QString& state)
{
    demo.coordinator->presentCite(serviceReference());
    if (state != QLatin1String("loading"))
        (void)QTest::qWaitFor(
            [&] { return demo.coordinator->citeDetailStatus().kind != CiteDetailStatus::Kind::loading; },
            15000);
    if (state == QLatin1String("toast"))
        demo.coordinator->showToast(QStringLiteral("APA citation copied to clipboard"));
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

QImage render(DemoEfetch& efetch, const QString& state, bool dark)
{
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
    efetch.state = state;
    Demo demo = makeDemo(efetch);
    enter(demo, state);
    const QPixmap panel = demo.controller->panel().grab();
    constexpr int margin = 28;
    QImage image(panel.size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(panel.devicePixelRatio());
    image.fill(dark ? QColor(0x2a, 0x2d, 0x33) : QColor(0xdc, 0xe1, 0xe8));
    QPainter painter(&image);
    painter.drawPixmap(margin, margin, panel);
    painter.end();
    demo.coordinator->dismissCite();
    demo.coordinator->setCitePanelController(nullptr);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorn-cite-cite-panel-demo"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the cite panel in a canned state."));
    parser.addHelpOption();
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("One of: ") + stateNames.join(u", "),
                                         QStringLiteral("name"), QStringLiteral("pubmed"));
    const QCommandLineOption darkOption(QStringLiteral("dark"), QStringLiteral("Dark appearance."));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"), QStringLiteral("Write PNGs of every state (or --state) into folder."),
        QStringLiteral("folder"));
    parser.addOptions({stateOption, darkOption, screenshotsOption});
    parser.process(app);

    QTextStream err(stderr);
    const QString state = parser.value(stateOption);
    if (!stateNames.contains(state)) {
        err << "unknown state " << state << "; one of " << stateNames.join(u", ") << '\n';
        return 2;
    }
    auto fixtures = EfetchFixtures::load(QStringLiteral(VORN_DEMO_RECORDS_DIR));
    if (!fixtures) {
        err << fixtures.error() << '\n';
        return 1;
    }
    DemoEfetch efetch(std::move(*fixtures));
    if (!efetch.listen()) {
        err << "cannot start the local efetch service\n";
        return 1;
    }

    if (parser.isSet(screenshotsOption)) {
        Motion::setEnabled(false);
        const QDir folder(parser.value(screenshotsOption));
        if (!QDir().mkpath(folder.path())) {
            err << "cannot create " << folder.path() << '\n';
            return 1;
        }
        const QStringList states = parser.isSet(stateOption) ? QStringList{state} : stateNames;
        for (const QString& name : states) {
            for (const bool dark : {false, true}) {
                const QString file = folder.filePath(
                    QStringLiteral("cite-panel-%1-%2.png").arg(name, dark ? u"dark" : u"light"));
                if (!render(efetch, name, dark).save(file)) {
                    err << "cannot write " << file << '\n';
                    return 1;
                }
                QTextStream(stdout) << file << '\n';
            }
        }
        return 0;
    }

    QApplication::setPalette(parser.isSet(darkOption) ? darkPalette()
                                                      : QApplication::style()->standardPalette());
    efetch.state = state;
    Demo demo = makeDemo(efetch);
    // Closing the panel ends the demo.
    QObject::connect(demo.coordinator.get(), &AppCoordinator::citeReferenceChanged, &app, [&] {
        if (!demo.coordinator->citeReference())
            QApplication::quit();
    });
    enter(demo, state);
    return QApplication::exec();
}
