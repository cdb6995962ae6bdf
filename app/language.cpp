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

QString catalogueFileName(int index)
{
    return index == SimplifiedChinese ? QStringLiteral("brevan_zh_CN.qm")
                                      : QStringLiteral("brevan_zh_TW.qm");
}

// Qt's own texts (standard buttons, file dialogs): beside the executable where an installer
// put them, else where this Qt keeps them. Without them those texts stay in English.
void loadQtCatalogue(int index)
{
    static QTranslator *translator = new QTranslator;
    QCoreApplication::removeTranslator(translator);
    if (index == English)
        return;
    const QString fileName = index == SimplifiedChinese ? QStringLiteral("qtbase_zh_CN.qm")
                                                        : QStringLiteral("qtbase_zh_TW.qm");
    if (translator->load(QCoreApplication::applicationDirPath() + QStringLiteral("/translations/") + fileName)
        || translator->load(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QLatin1Char('/') + fileName))
        QCoreApplication::installTranslator(translator);
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
    if (index != English) {
        const QString fileName = catalogueFileName(index);
        const bool loaded = translator->load(QStringLiteral(":/translations/") + fileName)
            || translator->load(QCoreApplication::applicationDirPath() + QStringLiteral("/translations/")
                                + fileName);
        // Without a catalogue the interface stays in English; nothing to tell the user.
        if (!loaded)
            qDebug() << "no catalogue found for" << fileName;
        QCoreApplication::installTranslator(translator);
    }
    loadQtCatalogue(index);
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
