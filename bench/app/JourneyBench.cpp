// The whole journey's latency on a private headless desktop: from the key press of
// Alt+Super+G (XTest, as a keyboard would) with a sentence selected in the GTK 3
// fixture, to the result panel of the real vorn-cite painted with the references the
// local service answered, minus the service's own time for the request. Beside it, the
// part up to the query leaving (the key reaching vorn-cite and the selection's capture).
// 20 runs after one warm-up, each with a sentence the result cache has not seen; the
// instance reports its times through its test probe (VORN_CITE_TESTING=1).
// Run it through bench/app/run-journey-bench.sh.
#include "CiteApplication.h"
#include "DesktopFixtures.h"
#include "LocalCiteService.h"
#include "literature/LiteratureInputValidator.h"

#include <QGuiApplication>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace DesktopFixtures;

namespace {

constexpr int runs = 20;

qint64 monotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

// Alt+Super+G through XTest; the time of the press of G.
class ShortcutKeyboard final
{
public:
    ShortcutKeyboard()
        : m_connection(xcb_connect(nullptr, nullptr)), m_symbols(xcb_key_symbols_alloc(m_connection))
    {
    }
    ~ShortcutKeyboard()
    {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_connection);
    }
    ShortcutKeyboard(const ShortcutKeyboard&) = delete;
    ShortcutKeyboard& operator=(const ShortcutKeyboard&) = delete;

    qint64 press()
    {
        const xcb_keycode_t alt = code(XK_Alt_L), super = code(XK_Super_L), g = code(XK_g);
        send(XCB_KEY_PRESS, alt);
        send(XCB_KEY_PRESS, super);
        xcb_aux_sync();
        const qint64 pressed = monotonicNanoseconds();
        send(XCB_KEY_PRESS, g);
        send(XCB_KEY_RELEASE, g);
        send(XCB_KEY_RELEASE, super);
        send(XCB_KEY_RELEASE, alt);
        xcb_flush(m_connection);
        return pressed;
    }

private:
    xcb_keycode_t code(xcb_keysym_t symbol)
    {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, symbol);
        const xcb_keycode_t found = codes ? codes[0] : 0;
        free(codes);
        return found;
    }
    void send(uint8_t type, xcb_keycode_t key)
    {
        xcb_test_fake_input(m_connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    void xcb_aux_sync()
    {
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    xcb_connection_t* m_connection;
    xcb_key_symbols_t* m_symbols;
};

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (pid(Toolkit::gtk) == 0) {
        std::fprintf(stderr, "journey bench: run it through bench/app/run-journey-bench.sh\n");
        return 2;
    }
    LocalCiteService service;
    CiteApplication app;
    if (!service.isRunning() || !app.start(service.demoArguments())) {
        std::fprintf(stderr, "journey bench: the service or vorn-cite did not start\n%s\n",
                     qPrintable(app.standardError()));
        return 1;
    }
    ShortcutKeyboard keyboard;
    const QString area = DesktopFixtureTexts::journeyTextArea();
    const qsizetype start = area.indexOf(DesktopFixtureTexts::journeyClaim());
    const qsizetype end = start + DesktopFixtureTexts::journeyClaim().size();
    if (!prepareJourneyClaim()) {
        std::fprintf(stderr, "journey bench: cannot prepare the GTK fixture\n");
        return 1;
    }

    std::vector<double> journey, serviceTimes, withoutService, capture;
    for (int run = 0; run <= runs; ++run) {
        // A sentence of its own for each run (one character shorter at the front), so
        // that the result cache never answers; every one still shares words with the
        // demo's records.
        const qsizetype from = start + run;
        const QString text =
            LiteratureInputValidator::normalize(area.mid(from, end - from)).value_or(QString());
        if (!activate(Toolkit::gtk) || !focus(Toolkit::gtk, textAreaName) ||
            !select(Toolkit::gtk, textAreaName, from, end)) {
            std::fprintf(stderr, "journey bench: cannot select in the GTK fixture\n");
            return 1;
        }
        QTest::qWait(200); // let the desktop settle after the selection's own events
        const qint64 pressed = keyboard.press();
        qint64 painted = 0;
        if (!QTest::qWaitFor(
                [&] {
                    painted = CiteProbe::property(QStringLiteral("ResultsPaintedAt")).toLongLong();
                    return painted > pressed;
                },
                30000)) {
            std::fprintf(stderr, "journey bench: no painted result for run %d (%s)\n", run,
                         qPrintable(CiteProbe::property(QStringLiteral("ErrorMessage")).toString()));
            return 1;
        }
        const qint64 loading = CiteProbe::property(QStringLiteral("LoadingSince")).toLongLong();
        const std::optional<LocalCiteService::Request> request = service.waitForRequest(text, 5000);
        if (!request) {
            std::fprintf(stderr, "journey bench: the service did not see run %d's sentence\n", run);
            return 1;
        }
        if (run == 0)
            continue; // warm-up: the first TLS connection, first panel layout
        const double total = double(painted - pressed) / 1e6;
        journey.push_back(total);
        serviceTimes.push_back(request->serviceMilliseconds);
        withoutService.push_back(total - request->serviceMilliseconds);
        capture.push_back(double(loading - pressed) / 1e6);
    }
    std::printf("journey of %d runs (medians, ms)\n", runs);
    std::printf("  key press to painted results          %8.2f\n", median(journey));
    std::printf("  the local service's own time          %8.2f\n", median(serviceTimes));
    std::printf("  journey minus the service's time      %8.2f\n", median(withoutService));
    std::printf("  key press to query sent (capture)     %8.2f\n", median(capture));
    std::printf("  worst journey minus service           %8.2f\n",
                *std::max_element(withoutService.begin(), withoutService.end()));
    return app.stop() ? 0 : 1;
}
