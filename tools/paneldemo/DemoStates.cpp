#include "DemoStates.h"

#include "pubmed/PubMedArticleService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

namespace DemoStates {

std::unique_ptr<LiteratureQueryStream> CannedBackend::query(const LiteratureQuery&)
{
    auto [stream, sink] = LiteratureQueryStream::create();
    sink.progress(QStringLiteral("Searching VORN"));
    if (result) {
        sink.complete(*result);
        sink.finish();
    } else {
        m_open.append(sink);
    }
    return std::move(stream);
}

namespace {

// The demo keeps no key anywhere.
class NoKeyStore final : public VORNAPIKeyStoring
{
public:
    std::expected<std::optional<QString>, VORNAPIKeyStoreError> loadAPIKey() override { return std::nullopt; }
    std::expected<void, VORNAPIKeyStoreError> saveAPIKey(const QString&) override { return {}; }
    std::expected<void, VORNAPIKeyStoreError> deleteAPIKey() override { return {}; }
};

LiteratureReference reference(QString pmid, QString title, QList<QString> authors, QString journal,
                              QString date, std::optional<qint64> citations, std::optional<QString> reason,
                              QStringList quotes)
{
    LiteratureReference r;
    r.pmid = std::move(pmid);
    r.title = std::move(title);
    r.authors = std::move(authors);
    r.journal = std::move(journal);
    r.date = std::move(date);
    r.citationCount = citations;
    r.relevanceReason = std::move(reason);
    for (QString& quote : quotes)
        r.evidence.append(LiteratureEvidence{std::move(quote), std::nullopt});
    return r;
}

void waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

const LiteratureQuery demoQuery{
    QStringLiteral("Short sleep duration is associated with higher blood pressure."),
    LiteratureQueryOptions{}};

} // namespace

LiteratureResult sampleResult()
{
    LiteratureResult result;
    result.answer = QStringLiteral("Shorter sleep is linked to higher blood pressure in several cohorts.");
    result.references = {
        reference(
            QStringLiteral("26568896"),
            QStringLiteral("Short sleep duration and incident hypertension: a meta-analysis of prospective "
                           "cohort studies"),
            {QStringLiteral("Wang Q"), QStringLiteral("Xi B"), QStringLiteral("Liu M")},
            QStringLiteral("Sleep Med"), QStringLiteral("2015"), 214,
            QStringLiteral("Directly supports the claim"),
            {QStringLiteral(
                 "Short sleep duration was associated with a significantly increased risk of "
                 "hypertension in the pooled analysis of prospective cohorts, with a relative risk "
                 "of 1.21 for those sleeping five hours or less."),
             QStringLiteral("The association was stronger in participants younger than 65 years.")}),
        reference(QStringLiteral("23657305"),
                  QStringLiteral("Sleep duration and blood pressure in adolescents"),
                  {QStringLiteral("Javaheri S"), QStringLiteral("Storfer-Isser A")},
                  QStringLiteral("Circulation"), QStringLiteral("2013"), 96, std::nullopt,
                  {QStringLiteral("Adolescents with short sleep had higher systolic blood pressure.")}),
        reference(QStringLiteral("34843274"),
                  QStringLiteral("Circadian disruption and cardiometabolic health"),
                  {QStringLiteral("Chellappa SL")}, QStringLiteral("Nat Rev Cardiol"), QStringLiteral("2021"),
                  std::nullopt, QStringLiteral("Background on mechanisms"),
                  {QStringLiteral("Misalignment of the circadian system raises blood pressure in controlled "
                                  "laboratory studies.")}),
        reference(QStringLiteral("35358095"),
                  QStringLiteral("Sleep health and cardiovascular risk: a scientific statement"),
                  {QStringLiteral("Lloyd-Jones DM"), QStringLiteral("Allen NB"),
                   QStringLiteral("Anderson CAM"), QStringLiteral("Black T")},
                  QStringLiteral("Circulation"), QStringLiteral("2022"), 1250,
                  QStringLiteral("Indirect support: context for the recommendation"), {}),
        reference(QStringLiteral("38591913"),
                  QStringLiteral("Actigraphy-measured sleep and nocturnal hypertension"), {}, QString(),
                  QString(), std::nullopt, std::nullopt, {QStringLiteral("   ")}),
    };
    return result;
}

LiteratureResult largeResult(int count)
{
    LiteratureResult result = sampleResult();
    const QList<LiteratureReference> base = result.references;
    result.references.clear();
    for (int i = 0; i < count; ++i) {
        LiteratureReference r = base[i % base.size()];
        r.pmid = QString::number(30000000 + i);
        r.evidence = {LiteratureEvidence{
            QStringLiteral("Evidence quote number %1: the cohort showed a graded association between "
                           "short sleep and elevated blood pressure across every age group studied.")
                .arg(i + 1),
            std::nullopt}};
        result.references.append(r);
    }
    return result;
}

QStringList stateNames()
{
    return {
        QStringLiteral("loading"),       QStringLiteral("completed"),   QStringLiteral("expanded"),
        QStringLiteral("empty"),         QStringLiteral("invalidKey"),  QStringLiteral("missingKey"),
        QStringLiteral("accessibility"), QStringLiteral("rateLimited"), QStringLiteral("invalidSelection"),
        QStringLiteral("other"),         QStringLiteral("toast"),       QStringLiteral("cite")};
}

std::unique_ptr<AppCoordinator> makeCoordinator(std::shared_ptr<CannedBackend> backend)
{
    AppCoordinator::Dependencies deps;
    deps.backendFactory = [backend](const QString&) { return backend; };
    // The demo never reaches PubMed: details fetches fail at once.
    deps.articleService = std::make_shared<PubMedArticleService>(
        QUrl(QStringLiteral("https://127.0.0.1:9/efetch.fcgi")), std::chrono::seconds(1));
    deps.openURL = [](const QUrl&) { return true; };
    return std::make_unique<AppCoordinator>(std::make_shared<NoKeyStore>(), std::move(deps));
}

bool enter(AppCoordinator& coordinator, CannedBackend& backend, const QString& state)
{
    if (!stateNames().contains(state))
        return false;
    const auto completeWith = [&](const LiteratureResult& result) {
        backend.result = result;
        coordinator.run(demoQuery, std::nullopt);
        waitUntil([&] { return coordinator.phase() == ResultPanelPhase::completed; });
    };
    if (state == QLatin1String("loading")) {
        backend.result.reset();
        coordinator.run(demoQuery, std::nullopt);
    } else if (state == QLatin1String("completed") || state == QLatin1String("expanded") ||
               state == QLatin1String("toast") || state == QLatin1String("cite")) {
        completeWith(sampleResult());
        if (state == QLatin1String("toast"))
            coordinator.showToast(QStringLiteral("Rich report copied to clipboard"));
        if (state == QLatin1String("cite"))
            coordinator.presentCite(coordinator.result()->references.first());
    } else if (state == QLatin1String("empty")) {
        LiteratureResult empty;
        empty.answer = QStringLiteral("No references.");
        completeWith(empty);
    } else {
        completeWith(sampleResult());
        struct Failure
        {
            const char* name;
            FailureKind kind;
            QString message;
        };
        const QList<Failure> failures = {
            {"invalidKey", FailureKind::invalidKey,
             AppCoordinator::friendlyMessage(LiteratureError::requestFailed(401))},
            {"missingKey", FailureKind::missingKey, LiteratureError::missingCredential().errorDescription()},
            {"accessibility", FailureKind::accessibility,
             QStringLiteral("Turn on desktop accessibility: choose Request Access in VORN Cite's setup, then "
                            "restart the application you selected text in.")},
            {"rateLimited", FailureKind::rateLimited,
             AppCoordinator::friendlyMessage(LiteratureError::requestFailed(429))},
            {"invalidSelection", FailureKind::invalidSelection,
             AppCoordinator::friendlyMessage(LiteratureError::requestFailed(422))},
            {"other", FailureKind::other,
             AppCoordinator::friendlyMessage(LiteratureError::requestFailed(503))},
        };
        for (const Failure& failure : failures) {
            if (state == QLatin1String(failure.name))
                coordinator.showError(failure.message, failure.kind);
        }
    }
    QCoreApplication::processEvents();
    return true;
}

} // namespace DemoStates
