// SPDX-License-Identifier: GPL-3.0-or-later
// Super+Shift+T on the expanded toast, injected through XTEST: from the key
// press to the file's record being 'temporary' in the store (read over a
// connection kept open), one fresh download per press, N presses (default
// 100). Needs an X display with XTEST (DISPLAY); the program comes from the
// argument or VANTLE_BINARY.
//   shortcut_latency_bench [path/to/vantle] [presses]

#include "../tests/e2e/VantleProcess.h"
#include "toast/ToastGeometry.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

using Clock = std::chrono::steady_clock;

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t index =
        std::min(values.size() - 1, std::size_t(p / 100.0 * double(values.size() - 1) + 0.5));
    return values[index];
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs, int pollUs)
{
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (Clock::now() > end)
            return false;
        QThread::usleep(pollUs);
    }
    return true;
}

struct X {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t pidAtom = 0;

    // The first keycode that gives `keysym` unshifted, in the live mapping.
    xcb_keycode_t keycodeOf(xcb_keysym_t keysym) const
    {
        const xcb_setup_t* setup = xcb_get_setup(c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        auto* reply = xcb_get_keyboard_mapping_reply(
            c, xcb_get_keyboard_mapping(c, setup->min_keycode, std::uint8_t(count)), nullptr);
        xcb_keycode_t found = 0;
        if (reply) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
            for (int i = 0; i < count && !found; ++i)
                if (syms[i * reply->keysyms_per_keycode] == keysym)
                    found = xcb_keycode_t(setup->min_keycode + i);
            std::free(reply);
        }
        return found;
    }

    // Whether a viewable window of `pid` as wide as the toast is up. The toast
    // is unmanaged, so it is a child of the root.
    bool toastMapped(std::uint32_t pid) const
    {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        if (!tree)
            return false;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        const auto n = std::size_t(xcb_query_tree_children_length(tree));
        // All requests first, then the replies: one round trip per kind.
        std::vector<xcb_get_window_attributes_cookie_t> attributes(n);
        std::vector<xcb_get_geometry_cookie_t> geometries(n);
        std::vector<xcb_get_property_cookie_t> pids(n);
        for (std::size_t i = 0; i < n; ++i) {
            attributes[i] = xcb_get_window_attributes(c, children[i]);
            geometries[i] = xcb_get_geometry(c, children[i]);
            pids[i] = xcb_get_property(c, 0, children[i], pidAtom, XCB_ATOM_CARDINAL, 0, 1);
        }
        bool found = false;
        for (std::size_t i = 0; i < n; ++i) {
            auto* a = xcb_get_window_attributes_reply(c, attributes[i], nullptr);
            auto* g = xcb_get_geometry_reply(c, geometries[i], nullptr);
            auto* p = xcb_get_property_reply(c, pids[i], nullptr);
            found = found || (a && g && p && a->map_state == XCB_MAP_STATE_VIEWABLE &&
                              g->width == toastgeometry::panelWidth &&
                              xcb_get_property_value_length(p) == 4 &&
                              *static_cast<std::uint32_t*>(xcb_get_property_value(p)) == pid);
            std::free(a);
            std::free(g);
            std::free(p);
        }
        std::free(tree);
        return found;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && QFile::exists(args.first()))
        qputenv("VANTLE_BINARY", QFile::encodeName(args.takeFirst()));
    const int presses = args.isEmpty() ? 100 : args.first().toInt();
    if (!QFile::exists(VantleProcess::binary()) || presses <= 0) {
        std::fprintf(stderr, "usage: shortcut_latency_bench [path/to/vantle] [presses]\n");
        return 2;
    }
    if (!VantleProcess::hasDisplay()) {
        std::fprintf(stderr, "DISPLAY is not set: the program needs an X display\n");
        return 2;
    }

    X x;
    int screenNumber = 0;
    x.c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x.c)) {
        std::fprintf(stderr, "cannot connect to the X display\n");
        return 1;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(x.c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    x.root = screens.data->root;
    auto* atom = xcb_intern_atom_reply(x.c, xcb_intern_atom(x.c, 0, 11, "_NET_WM_PID"), nullptr);
    auto* xtest = xcb_test_get_version_reply(x.c, xcb_test_get_version(x.c, 2, 2), nullptr);
    const xcb_keycode_t super = x.keycodeOf(0xffeb), shift = x.keycodeOf(0xffe1),
                        t = x.keycodeOf(0x74);
    if (!atom || !xtest || !super || !shift || !t) {
        std::fprintf(stderr, "no XTEST on the display, or no Super_L, Shift_L or t key\n");
        return 1;
    }
    x.pidAtom = atom->atom;
    std::free(atom);
    std::free(xtest);

    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vantle-shortcut-bench-XXXXXX"));
    VantleProcess vantle(home.path());
    QProcess process;
    if (!vantle.launch(process)) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    const auto pid = std::uint32_t(process.processId());
    // The QProcess kills the program as it goes.
    auto fail = [](const char* what, int round) {
        std::fprintf(stderr, "press %d: %s\n", round + 1, what);
        return 1;
    };

    sqlite::Database db;
    if (!db.open(vantle.storeFile())) {
        std::fprintf(stderr, "store: %s\n", qPrintable(db.errorText()));
        return 1;
    }
    db.setBusyTimeout(2000);
    sqlite::Statement stateOf(db, "SELECT state FROM TrackedFile WHERE fileName = ?");
    auto state = [&](const QString& name) {
        stateOf.reset();
        stateOf.bind(1, name);
        const QString value = stateOf.step() ? stateOf.text(0) : QString();
        stateOf.reset(); // ends the read, so the next one sees new commits
        return value;
    };
    auto key = [&](std::uint8_t type, xcb_keycode_t code) {
        xcb_test_fake_input(x.c, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };

    std::vector<double> latencies;
    for (int round = 0; round < presses; ++round) {
        // A download lands: written beside Downloads, then renamed in.
        const QString name = QStringLiteral("press-%1.bin").arg(round);
        QFile staged(home.path() + QLatin1Char('/') + name);
        if (!staged.open(QIODevice::WriteOnly) || staged.write(QByteArray(2048, 'd')) != 2048)
            return fail("cannot write the file", round);
        staged.close();
        if (!staged.rename(vantle.downloads() + QLatin1Char('/') + name))
            return fail("cannot move the file into Downloads", round);
        if (!waitFor([&] { return !state(name).isEmpty() && x.toastMapped(pid); }, 5000, 2000))
            return fail("no record or no toast within 5 s", round);
        // The island grows out and takes the keys once expanded.
        QThread::msleep(400);

        key(XCB_KEY_PRESS, super);
        key(XCB_KEY_PRESS, shift);
        const auto t0 = Clock::now();
        key(XCB_KEY_PRESS, t);
        key(XCB_KEY_RELEASE, t);
        key(XCB_KEY_RELEASE, shift);
        key(XCB_KEY_RELEASE, super);
        xcb_flush(x.c);
        if (!waitFor([&] { return state(name) == QLatin1String("temporary"); }, 2000, 500))
            return fail("the record was not temporary within 2 s of the key press", round);
        latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());

        if (!waitFor([&] { return !x.toastMapped(pid); }, 10000, 5000))
            return fail("the toast stayed up 10 s after the key press", round);
    }

    std::printf("Super+Shift+T -> record temporary over %d presses: p50 %.2f ms, p99 %.2f ms, "
                "max %.2f ms\n",
                presses, percentile(latencies, 50), percentile(latencies, 99),
                *std::max_element(latencies.begin(), latencies.end()));
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    xcb_disconnect(x.c);
    return 0;
}
