#include "app/language.h"
#include "ui/brevanqt.h"

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

    BrevanQt window;
    window.show();
    return app.exec();
}
