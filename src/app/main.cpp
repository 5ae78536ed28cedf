// parlix: the dictation app. No main window, no command-line arguments; it lives in the tray,
// answers the global hotkey, and is controlled from outside over the D-Bus session bus.
#include "app/AppServices.h"
#include "app/DesktopSession.h"
#include "app/Application.h"
#include "app/TerminationSignals.h"
#include "control/ControlClient.h"
#include "control/ControlNames.h"
#include "control/ControlService.h"
#include "controller/DictationController.h"
#include "core/BuildConfig.h"
#include "core/Categories.h"
#include "core/Log.h"
#include "ui/AppIcon.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcessEnvironment>

#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace parlix;

namespace {

enum class BusRole { owner, handedOver, handoverFailed, noControl };

// Takes the control service name, which also makes this the only running Parlix. When another
// Parlix holds it, asks that one to show its settings window instead.
BusRole claimServiceName(QDBusConnection &bus)
{
    const QString name = QString::fromLatin1(control::serviceName);
    if (!bus.isConnected()) {
        log::error(lcApp, "No D-Bus session bus (%s): control from outside and the single-instance check are off",
                   bus.lastError().message());
        return BusRole::noControl;
    }
    if (bus.registerService(name))
        return BusRole::owner;
    if (!bus.interface()->isServiceRegistered(name)) {
        log::error(lcApp, "Cannot take the D-Bus name %s: %s", name, bus.lastError().message());
        return BusRole::noControl;
    }
    const control::Reply reply = control::Client(bus).call(QStringLiteral("OpenSettings"), {QString()});
    if (reply.outcome != control::Reply::Outcome::ok) {
        std::fprintf(stderr, "parlix: Parlix is already running, but asking it to open its settings failed: %s\n",
                     reply.message.toUtf8().constData());
        return BusRole::handoverFailed;
    }
    log::info(lcApp, "Parlix is already running; asked it to open its settings window");
    return BusRole::handedOver;
}

} // namespace

int main(int argc, char **argv)
{
    // The two options a packaged program answers without a desktop.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("parlix %s\n", PARLIX_VERSION_STRING);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: parlix\n\nLocal dictation in the system tray: press the global hotkey (Ctrl+Alt+Space by\n"
                        "default), speak, and the text is typed into the window you were using.\n"
                        "parlixctl(1) controls the running app from a terminal; see parlix(1).\n\n"
                        "  --version  print the version and exit\n  --help     print this text and exit\n");
            return 0;
        }
    }
    // Wayland or X11, once: the hotkey, the clipboard and the keystrokes all follow this choice.
    const DesktopSession session = DesktopSession::choose(QProcessEnvironment::systemEnvironment());
    if (!session.isValid()) {
        std::fprintf(stderr, "parlix: %s\n", session.error.toLocal8Bit().constData());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", session.qtPlatform);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlix"));
    QApplication::setApplicationVersion(QStringLiteral(PARLIX_VERSION_STRING));
    QApplication::setDesktopFileName(QStringLiteral(PARLIX_APP_ID));
    QApplication::setWindowIcon(ui::appIcon(QStringLiteral("com.quorvane.parlix")));
    // A background app: closing the settings window must not end it.
    app.setQuitOnLastWindowClosed(false);
    log::installMessageHandler(::isatty(STDERR_FILENO) || qgetenv("PARLIX_LOG_STDERR") == "1");
    ui::installTranslations(app, QLocale(), ui::translationsDirectory());

    if (app.arguments().size() > 1)
        std::fprintf(stderr, "parlix: takes no arguments besides --version and --help (ignored); use parlixctl to control it\n");

    QDBusConnection bus = QDBusConnection::sessionBus();
    const BusRole role = claimServiceName(bus);
    if (role == BusRole::handedOver)
        return 0;
    if (role == BusRole::handoverFailed)
        return 1;

    AppServices services(DesktopBackends::create(session));
    log::info(lcApp, "Desktop: %s", services.desktop().summary());
    Application application(services);
    ControlService control(services.controller(), services.state());
    control.watchHotkey(services.hotkeyManager());

    TerminationSignals termination([](int number) {
        log::info(lcApp, "Received SIG%s, quitting", QString::fromUtf8(::sigabbrev_np(number)));
        QCoreApplication::quit();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &application, [&] {
        application.shutdown();
        if (role == BusRole::owner) {
            bus.unregisterObject(QString::fromLatin1(control::objectPath));
            bus.unregisterService(QString::fromLatin1(control::serviceName));
        }
        log::info(lcApp, "Parlix quitting");
    });

    // Only the one running Parlix may take clips from the temporary directory: with no bus to
    // tell, another instance could be recording into one of them.
    application.start(role == BusRole::owner);
    if (role == BusRole::owner) {
        QString error;
        if (!control.registerOn(bus, &error))
            log::error(lcApp, "Cannot offer the control interface on D-Bus: %s", error);
    }
    return app.exec();
}
