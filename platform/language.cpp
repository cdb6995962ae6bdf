#include "platform/language.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

#include <algorithm>
#include <iterator>

namespace {

const QString kLanguageKey = QStringLiteral("language");
// By their stored index.
constexpr Protocol::Language kLanguages[] = {Protocol::Language::English, Protocol::Language::SimplifiedChinese,
                                             Protocol::Language::TraditionalChinese};

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

QString localeSuffix(Protocol::Language language)
{
    return language == Protocol::Language::SimplifiedChinese ? QStringLiteral("zh_CN") : QStringLiteral("zh_TW");
}

// Qt's catalogue from where this Qt keeps them, else from the "translations" folder beside the
// executable (where a Windows installation carries them).
bool loadQtCatalogue(QTranslator *translator, Protocol::Language language)
{
    const QString fileName = QStringLiteral("qtbase_") + localeSuffix(language);
    return translator->load(fileName, QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || translator->load(fileName, QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
}

int storedIndex()
{
    return QSettings().value(kLanguageKey, 0).toInt();
}

} // namespace

Protocol::Language languageAt(int index)
{
    return index > 0 && index < int(std::size(kLanguages)) ? kLanguages[index] : Protocol::Language::English;
}

Protocol::Language storedLanguage()
{
    return languageAt(storedIndex());
}

void applyLanguage(Protocol::Language language)
{
    QTranslator *translator = appTranslator();
    QCoreApplication::removeTranslator(translator);
    QCoreApplication::removeTranslator(qtTranslator());
    if (language != Protocol::Language::English) {
        if (loadQtCatalogue(qtTranslator(), language))
            QCoreApplication::installTranslator(qtTranslator());
        const QString fileName = QStringLiteral("brevan_%1.qm").arg(localeSuffix(language));
        const bool loaded = translator->load(QStringLiteral(":/translations/") + fileName)
            || translator->load(QCoreApplication::applicationDirPath() + QStringLiteral("/translations/")
                                + fileName);
        // Without a catalogue the interface stays in English; nothing to tell the user.
        if (!loaded)
            qDebug() << "no catalogue found for" << fileName;
        QCoreApplication::installTranslator(translator);
    }
    // Written only when it changes: a settings file written at every start costs the start-up.
    const int index = int(std::find(std::begin(kLanguages), std::end(kLanguages), language) - std::begin(kLanguages));
    if (storedIndex() != index)
        QSettings().setValue(kLanguageKey, index);
}
