#include "app/appicon.h"
#include "platform/language.h"
#include "client/connection/localservice.h"
#include "ui/brevanqt.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TavrinAI"));
    QCoreApplication::setApplicationName(QStringLiteral("TavrinAI"));
    QGuiApplication::setWindowIcon(applicationIcon());

    // The translator must be in place before the form is built, so it comes up translated.
    applyLanguage(storedLanguage());

    // The service at the address is used, or the bundled one started there before the window's
    // version check; it outlives the window, which ends its session there as it closes.
    LocalService localService;
    BrevanQt window;
    window.useLocalService(&localService);
    // The window closes in two steps (hidden, then its chat ended): the end of the second quits.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(&window, &BrevanQt::closed, &app, &QCoreApplication::quit);
    window.show();
    return app.exec();
}
