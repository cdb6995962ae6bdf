#include "app/appicon.h"
#include "app/language.h"
#include "service/localservice.h"
#include "ui/brevanqt.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TavrinAI"));
    QCoreApplication::setApplicationName(QStringLiteral("TavrinAI"));
    QGuiApplication::setWindowIcon(applicationIcon());

    // The translator must be in place before the form is built, so it comes up translated.
    applyLanguage(readLanguageSetting());

    // The service at the address is used, or the bundled one started there before the window's
    // version check; it outlives the window, which ends its session there as it closes.
    LocalService localService;
    BrevanQt window;
    window.useLocalService(&localService);
    window.show();
    return app.exec();
}
