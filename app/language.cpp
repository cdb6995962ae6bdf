#include "app/language.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

namespace {

const QString kLanguageKey = QStringLiteral("language");

// One translator for the whole process; switching reloads it rather than stacking new ones.
QTranslator *appTranslator()
{
    static QTranslator *translator = new QTranslator;
    return translator;
}

// Qt's own texts: the menus of text fields, the buttons of the file and message dialogs.
QTranslator *qtTranslator()
{
    static QTranslator *translator = new QTranslator;
    return translator;
}

QString localeSuffix(int index)
{
    return index == SimplifiedChinese ? QStringLiteral("zh_CN") : QStringLiteral("zh_TW");
}

// Qt's catalogue from where this Qt keeps them, else from the "translations" folder beside the
// executable (where a Windows installation carries them).
bool loadQtCatalogue(QTranslator *translator, int index)
{
    const QString fileName = QStringLiteral("qtbase_") + localeSuffix(index);
    return translator->load(fileName, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || translator->load(fileName, QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
}

} // namespace

int readLanguageSetting()
{
    return QSettings().value(kLanguageKey, 0).toInt();
}

void applyLanguage(int index)
{
    QTranslator *translator = appTranslator();
    QCoreApplication::removeTranslator(translator);
    QCoreApplication::removeTranslator(qtTranslator());
    if (index != English) {
        if (loadQtCatalogue(qtTranslator(), index))
            QCoreApplication::installTranslator(qtTranslator());
        const QString fileName = QStringLiteral("brevan_%1.qm").arg(localeSuffix(index));
        const bool loaded = translator->load(QStringLiteral(":/translations/") + fileName)
            || translator->load(QCoreApplication::applicationDirPath() + QStringLiteral("/translations/")
                                + fileName);
        // Without a catalogue the interface stays in English; nothing to tell the user.
        if (!loaded)
            qDebug() << "no catalogue found for" << fileName;
        QCoreApplication::installTranslator(translator);
    }
    // Written only when it changes: a settings file written at every start costs the start-up.
    if (readLanguageSetting() != index)
        QSettings().setValue(kLanguageKey, index);
}

QString languageCode()
{
    switch (readLanguageSetting()) {
    case SimplifiedChinese:
        return QStringLiteral("zh-CN");
    case TraditionalChinese:
        return QStringLiteral("zh-TW");
    default:
        return QStringLiteral("en");
    }
}
