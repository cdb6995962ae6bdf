#include "app/language.h"
#include "service/localservice.h"
#include "service/protocol.h"
#include "ui/brevanqt.h"
#include "ui/codegeneratordialog.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TavrinAI"));
    QCoreApplication::setApplicationName(QStringLiteral("TavrinAI"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.ico")));

    // The translator must be in place before the form is built, so it comes up translated.
    applyLanguage(readLanguageSetting());

    // The service must answer before the window's version check and first chat: the one at
    // the address is used, or the bundled one started there. It lives as long as the window.
    LocalService localService;
    localService.start(resolveApiBaseUrl(), CodeGeneratorDialog::storedBackend());
    localService.waitUntilSettled();

    BrevanQt window;
    window.useLocalService(&localService);
    window.show();
    return app.exec();
}
