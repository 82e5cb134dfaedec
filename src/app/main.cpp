// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppState.h"
#include "app/BusProtocol.h"
#include "app/CommandLine.h"
#include "app/TrayPopover.h"
#include "app/TrayPresence.h"
#include "app/VantleBus.h"
#include "expiry/ExpiryUnit.h"
#include "menus/DarkStyle.h"
#include "notify/NoTrayHint.h"
#include "platform/Display.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Session.h"
#include "platform/SingleInstance.h"
#include "platform/UnixSignals.h"
#include "popover/PopoverWindow.h"
#include "toast/IslandAccessible.h"
#include "toast/TimeInputAsk.h"
#include "updates/UpdaterManager.h"

#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstdio>

namespace {

// Options that need no display. Returns an exit status, or -1 to go on.
int handleArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--version" || argument == "-v") {
            std::printf("Vantle %s\n", VANTLE_VERSION);
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            std::fputs(qPrintable(commandline::usage()), stdout);
            return 0;
        }
        std::fprintf(stderr, "vantle: unknown option %s\n%s",
                     qPrintable(bus::echoed(QString::fromLocal8Bit(argv[i]))),
                     qPrintable(commandline::usage()));
        return 2;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && commandline::isCommand(QString::fromLocal8Bit(argv[1]))) {
        QCoreApplication app(argc, argv);
        QStringList arguments;
        for (int i = 1; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        commandline::leave(commandline::run(arguments));
    }
    if (const int status = handleArguments(argc, argv); status >= 0)
        return status;

    SingleInstance instance;
    switch (instance.acquire(SingleInstance::defaultLockPath())) {
    case SingleInstance::Result::Acquired:
        break;
    case SingleInstance::Result::AlreadyRunning: {
        // Starting it again from a menu shows the one that runs.
        QCoreApplication app(argc, argv);
        commandline::showRunningPopover();
        std::fputs("Vantle is already running\n", stderr);
        commandline::leave(0);
    }
    case SingleInstance::Result::Failed:
        // Running unlocked could let two instances trash and record side by side.
        std::fprintf(stderr, "Vantle cannot take its single-instance lock %s: %s\n",
                     qPrintable(SingleInstance::defaultLockPath()),
                     qPrintable(instance.errorText()));
        return 1;
    }

    choosePlatform();
    QString reason;
    if (!canReachGraphicalSession(&reason)) {
        std::fprintf(stderr, "%s\n", qPrintable(reason));
        return 1;
    }

    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    // Outside a full desktop no icon theme is set; the one every GTK and Qt
    // desktop on Debian installs keeps the file and menu icons.
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    // Vantle's surfaces are dark whatever the desktop's theme.
    DarkStyle::install();
    QApplication::setApplicationName(QStringLiteral("Vantle"));
    QApplication::setApplicationVersion(QStringLiteral(VANTLE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("app.vantle.Vantle"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (!canShowToast())
        qCInfo(lcApp).noquote() << QStringLiteral(
            "No X11 display: new downloads are answered with desktop notifications");
    else if (!session::globalShortcutsWork())
        qCInfo(lcApp).noquote() << QStringLiteral(
            "Wayland session: keys reach Vantle only while one of its X11 windows has focus, so "
            "the toast shows no shortcuts");
    // The island's badges are painted; screen readers learn of them here.
    IslandAccessible::install();
    // First of all, so that its daily check runs whatever else happens.
    UpdaterManager updater({.currentVersion = QStringLiteral(VANTLE_VERSION)});

    QString error;
    auto store = TrackedFileActor::open({paths::storeFile(),
                                         makeSystemTrash(),
                                         paths::downloadsPath(),
                                         [] { return defaultExpiryInterval(); },
                                         {},
                                         2000},
                                        &error);
    if (!store) {
        std::fprintf(stderr, "Failed to create ModelContainer: %s\n", qPrintable(error));
        return 1;
    }

    AppState appState(
        {paths::downloadsPath(), paths::autostartFile(), QCoreApplication::applicationFilePath()},
        std::move(store));
    TrayPresence tray;
    QObject::connect(&tray, &TrayPresence::quitRequested, &app, &QCoreApplication::quit);
    TrayPopover popover(tray, appState, updater);
    QObject::connect(&popover.window(), &PopoverWindow::quitRequested, &app,
                     &QCoreApplication::quit);
    appState.offerNotifications(QDBusConnection::sessionBus(),
                                [&popover] { popover.showPopover(); });
    UnixSignalWatcher unixSignals({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&unixSignals, &UnixSignalWatcher::received, &app, &QCoreApplication::quit);

    appState.start();
    // Before the bus, so that it goes after it: an ask still open at exit is answered.
    TimeInputAsk lifetimeAsk(makeWindowSystem());
    VantleBus bus(
        {appState.trackedFileActor(), appState.cleanupService(),
         [&popover] { popover.showPopover(); },
         [&appState](const QString& name) { return appState.recentlyTrashed().restore(name); },
         [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); },
         &appState.tidier(), [&lifetimeAsk](auto answer) { lifetimeAsk.ask(std::move(answer)); }});
    // The lock makes a taken name unlikely; without the bus only the CLI is missing.
    if (QString error; !bus.publish(QDBusConnection::sessionBus(), &error))
        VANTLE_DIAG(lcApp, QStringLiteral("Not on the session bus: ") + error);
    NoTrayHint noTrayHint([&tray] { return tray.isShown(); }, QDBusConnection::sessionBus());
    const int status = app.exec();
    // Pending changes are written before the process ends.
    appState.shutdown();
    return status;
}
