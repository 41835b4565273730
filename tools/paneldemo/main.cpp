// vorn-cite-panel-demo: the result panel driven by canned states, for developers.
//
//   vorn-cite-panel-demo [--state NAME] [--dark]           shows the panel
//   vorn-cite-panel-demo --screenshots DIR [--state NAME]  writes PNGs (light and dark)
//
// NAME is one of loading, completed, expanded, empty, invalidKey, missingKey,
// accessibility, rateLimited, invalidSelection, other, toast, cite.

#include "DemoStates.h"
#include "FloatingPanel.h"
#include "Motion.h"
#include "ReferenceCard.h"
#include "ResultPanelController.h"
#include "ResultPanelParts.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QTextStream>

namespace {

QPalette darkPalette()
{
    QPalette p;
    const QColor window = QColor::fromRgbF(0.12f, 0.12f, 0.13f);
    const QColor text = QColor::fromRgbF(0.93f, 0.93f, 0.95f);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::Base, QColor::fromRgbF(0.16f, 0.16f, 0.18f));
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Button, QColor::fromRgbF(0.2f, 0.2f, 0.22f));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        p.setColor(role, text);
    QColor placeholder = text;
    placeholder.setAlphaF(0.55f);
    p.setColor(QPalette::PlaceholderText, placeholder);
    p.setColor(QPalette::Highlight, QColor::fromRgbF(0.2f, 0.467f, 0.984f));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, window);
    return p;
}

void setAppearance(bool dark)
{
    QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
}

// The "expanded" state opens the first card's quote, as a user's click would.
void expandFirstQuote(ResultPanelController& controller, const QString& state)
{
    if (state != QLatin1String("expanded"))
        return;
    const auto cards = controller.view().referenceList()->cards();
    if (!cards.isEmpty() && cards.first()->quoteBlock())
        cards.first()->quoteBlock()->setExpanded(true);
}

// The state's panel over a plain desktop background, so its corners and outline show.
QImage render(const QString& state, bool dark)
{
    setAppearance(dark);
    auto backend = std::make_shared<DemoStates::CannedBackend>();
    auto coordinator = DemoStates::makeCoordinator(backend);
    auto controller = std::make_shared<ResultPanelController>(*coordinator);
    coordinator->setResultPanelController(controller);
    DemoStates::enter(*coordinator, *backend, state);
    expandFirstQuote(*controller, state);
    controller->show(std::nullopt);
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    const QPixmap panel = controller->panel().grab();
    constexpr int margin = 28;
    QImage image(panel.size() + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(panel.devicePixelRatio());
    image.fill(dark ? QColor(0x2a, 0x2d, 0x33) : QColor(0xdc, 0xe1, 0xe8));
    QPainter painter(&image);
    painter.drawPixmap(margin, margin, panel);
    painter.end();
    controller->hide();
    coordinator->setResultPanelController(nullptr);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vorn-cite-panel-demo"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the result panel in a canned state."));
    parser.addHelpOption();
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("One of: ") + DemoStates::stateNames().join(u", "),
                                         QStringLiteral("name"), QStringLiteral("completed"));
    const QCommandLineOption darkOption(QStringLiteral("dark"), QStringLiteral("Dark appearance."));
    const QCommandLineOption screenshotsOption(
        QStringLiteral("screenshots"), QStringLiteral("Write PNGs of every state (or --state) into folder."),
        QStringLiteral("folder"));
    parser.addOptions({stateOption, darkOption, screenshotsOption});
    parser.process(app);

    const QString state = parser.value(stateOption);
    QTextStream err(stderr);
    if (!DemoStates::stateNames().contains(state)) {
        err << "unknown state " << state << "; one of " << DemoStates::stateNames().join(u", ") << '\n';
        return 2;
    }

    if (parser.isSet(screenshotsOption)) {
        Motion::setEnabled(false);
        const QDir folder(parser.value(screenshotsOption));
        if (!QDir().mkpath(folder.path())) {
            err << "cannot create " << folder.path() << '\n';
            return 1;
        }
        const QStringList states = parser.isSet(stateOption) ? QStringList{state} : DemoStates::stateNames();
        for (const QString& name : states) {
            for (const bool dark : {false, true}) {
                const QString file = folder.filePath(
                    QStringLiteral("result-panel-%1-%2.png").arg(name, dark ? u"dark" : u"light"));
                if (!render(name, dark).save(file)) {
                    err << "cannot write " << file << '\n';
                    return 1;
                }
                QTextStream(stdout) << file << '\n';
            }
        }
        return 0;
    }

    setAppearance(parser.isSet(darkOption));
    auto backend = std::make_shared<DemoStates::CannedBackend>();
    auto coordinator = DemoStates::makeCoordinator(backend);
    auto controller = std::make_shared<ResultPanelController>(*coordinator);
    coordinator->setResultPanelController(controller);
    // Closing the panel ends the demo.
    QObject::connect(coordinator.get(), &AppCoordinator::isResultPanelVisibleChanged, &app, [&] {
        if (!coordinator->isResultPanelVisible())
            QApplication::quit();
    });
    DemoStates::enter(*coordinator, *backend, state);
    expandFirstQuote(*controller, state);
    controller->show(std::nullopt);
    return QApplication::exec();
}
