#include "app/language.h"

#include <QCoreApplication>
#include <QDebug>
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
