// Starts the client's window the way the application does, then uses it as a trader would:
// picks the platform and the code type, lets "Auto detect" find the terminal, names the
// program, describes it, presses Send and waits for the compiler's log (and for an Expert
// Advisor, the card of its test in the demo terminal's stand-in tester). Saves a screenshot,
// with --screenshots the window at two sizes and at its smallest in every language, and can
// keep the window up for a picture taken from outside, then open the Code generator dialog and
// switch the language.
#include "app/appicon.h"
#include "platform/language.h"
#include "client/connection/localservice.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

namespace {

template<typename T>
T *widget(BrevanQt &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

bool waitForBubbles(ChatTextEdit *transcript, int count)
{
    return QTest::qWaitFor([&] { return transcript->messages().size() >= count; }, 10000);
}

// The transcript as the user reads it, the user's own bubbles marked with "> ".
QString shownText(ChatTextEdit *transcript)
{
    QStringList texts;
    for (const ChatTextEdit::Message &message : transcript->messages())
        texts << (message.isUser ? QStringLiteral("> ") : QString()) + message.text;
    return texts.join(QLatin1Char('\n'));
}

bool waitForTranscript(ChatTextEdit *transcript, const QString &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return shownText(transcript).contains(text); }, timeoutMs);
}

QAction *menuAction(BrevanQt &window, const QString &text)
{
    const QList<QAction *> actions = window.findChildren<QAction *>();
    const auto found = std::find_if(actions.begin(), actions.end(),
                                    [&](const QAction *action) { return action->text() == text; });
    return found == actions.end() ? nullptr : *found;
}

// Opens Settings > Code generator… and cancels it once it is on screen; true when it opened.
bool openCodeGeneratorDialog(BrevanQt &window)
{
    QAction *action = menuAction(window, QStringLiteral("Code generator…"));
    if (!action)
        return false;
    bool shown = false;
    bool settled = false;
    QTimer watch;
    int ticks = 0;
    QObject::connect(&watch, &QTimer::timeout, &window, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            watch.stop();
            shown = QTest::qWaitForWindowExposed(dialog);
            dialog->reject();
            settled = true;
        } else if (++ticks == 200) {
            watch.stop();
            settled = true;
        }
    });
    watch.start(100);
    action->trigger();
    // The window shows the dialog without waiting for it: wait here until it was seen or not.
    return QTest::qWaitFor([&] { return settled; }, 30000) && shown;
}

// Switches the window to Simplified Chinese and back; true when its menus followed.
bool switchLanguage(BrevanQt &window)
{
    QAction *chinese = menuAction(window, QStringLiteral("简体中文"));
    QAction *english = menuAction(window, QStringLiteral("English"));
    if (!chinese || !english)
        return false;
    // The window retranslates itself on the posted language-change event.
    const auto translated = [&window] { return !menuAction(window, QStringLiteral("Code generator…")); };
    chinese->trigger();
    const bool followed = QTest::qWaitFor(translated, 5000);
    english->trigger();
    return followed && QTest::qWaitFor([&] { return !translated(); }, 5000);
}

int fail(const QString &why, ChatTextEdit *transcript)
{
    QTextStream err(stderr);
    err << "smoke run failed: " << why << "\n--- transcript ---\n" << shownText(transcript) << "\n";
    return 1;
}

// A window that drew nothing is one colour all over.
bool isBlank(const QImage &image)
{
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first)
                return false;
        }
    }
    return true;
}

// The window at 1280 x 900, at 1440 x 960 and at its minimum size in each language, as
// window-<language>-<width>x<height>.png; the problem, or nothing when all were saved.
QString saveWindowShots(BrevanQt &window, const QString &folder)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create %1").arg(folder);
    // Put back afterwards: the window keeps its size and language for the next start.
    const Protocol::Language shownLanguage = storedLanguage();
    const QSize shownSize = window.size();
    for (const Protocol::Language language : {Protocol::Language::English, Protocol::Language::SimplifiedChinese,
                                              Protocol::Language::TraditionalChinese}) {
        applyLanguage(language);
        // An empty size stands for the minimum, which the language decides.
        for (const QSize size : {QSize(1280, 900), QSize(1440, 960), QSize()}) {
            QTest::qWait(100); // the new texts laid out, the minimum size with them
            window.resize(size.isEmpty() ? window.minimumSize() : size);
            QTest::qWait(200);
            const QImage shot = window.grab().toImage();
            const QString file = QDir(folder).filePath(
                QStringLiteral("window-%1-%2x%3.png").arg(Protocol::wireName(language)).arg(shot.width()).arg(shot.height()));
            if (isBlank(shot))
                return QStringLiteral("%1 is blank").arg(file);
            if (!shot.save(file))
                return QStringLiteral("cannot save %1").arg(file);
        }
    }
    applyLanguage(shownLanguage);
    window.resize(shownSize);
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TavrinAI"));
    QCoreApplication::setApplicationName(QStringLiteral("TavrinAI"));
    QGuiApplication::setWindowIcon(applicationIcon());

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption platform(QStringLiteral("platform"), QStringLiteral("MT4 or MT5."),
                                      QStringLiteral("platform"), QStringLiteral("MT5"));
    const QCommandLineOption type(QStringLiteral("type"), QStringLiteral("indicator or ea."),
                                  QStringLiteral("type"), QStringLiteral("ea"));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Program name."),
                                  QStringLiteral("name"), QStringLiteral("RSI Reversal"));
    const QCommandLineOption request(
        QStringLiteral("request"), QStringLiteral("What to ask for."), QStringLiteral("text"),
        QStringLiteral("An EA that buys when RSI 14 drops below 30 and sells above 70, lot 0.1"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("PNG to save."),
                                        QStringLiteral("file"));
    const QCommandLineOption language(QStringLiteral("language"), QStringLiteral("0, 1 or 2."),
                                      QStringLiteral("index"));
    const QCommandLineOption expect(QStringLiteral("expect"),
                                    QStringLiteral("A text the chat must show, like a notice."),
                                    QStringLiteral("text"));
    const QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                         QStringLiteral("Folder for the window in every language and size."),
                                         QStringLiteral("folder"));
    const QCommandLineOption linger(QStringLiteral("linger"),
                                    QStringLiteral("Milliseconds the finished window stays for a photo."),
                                    QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption menus(QStringLiteral("menus"),
                                   QStringLiteral("Also open the Code generator dialog and switch the language."));
    parser.addOptions({platform, type, name, request, screenshot, language, expect, screenshots, linger, menus});
    parser.process(app);

    applyLanguage(parser.isSet(language) ? languageAt(parser.value(language).toInt()) : storedLanguage());

    // As main does: the service at the address is used, or the bundled one started there.
    LocalService localService;
    BrevanQt window;
    window.useLocalService(&localService);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *transcript = widget<ChatTextEdit>(window, "textEdit_code");
    const bool mt5 = parser.value(platform) == QLatin1String("MT5");

    // The first chat opened, and the service answered or a started one said so.
    if (!waitForBubbles(transcript, 2))
        return fail(QStringLiteral("no session greeting"), transcript);
    if (parser.isSet(expect) && !waitForTranscript(transcript, parser.value(expect), 10000))
        return fail(QStringLiteral("the chat does not say \"%1\"").arg(parser.value(expect)), transcript);

    // A stretched radio button only reacts to clicks on its indicator and label.
    widget<QRadioButton>(window, mt5 ? "radioButton_mt5" : "radioButton_mt4")->click();
    QTest::mouseClick(widget<QPushButton>(window, mt5 ? "pushButton_mt5scan" : "pushButton_mt4scan"), Qt::LeftButton);
    if (widget<QLineEdit>(window, mt5 ? "lineEdit_mt5data" : "lineEdit_mt4data")->text().isEmpty())
        return fail(QStringLiteral("Auto detect found no terminal"), transcript);

    auto *combo = widget<QComboBox>(window, "comboBox_type");
    combo->setCurrentIndex(combo->findData(parser.value(type)));
    QTest::mouseClick(widget<QPushButton>(window, "pushButton_newChat"), Qt::LeftButton);
    if (!waitForBubbles(transcript, 2))
        return fail(QStringLiteral("no greeting for the new chat"), transcript);

    // An Expert Advisor is tested after its clean compile, as Settings can ask; put back after.
    auto *autoBacktest = window.findChild<QAction *>(QStringLiteral("action_autoBacktest"));
    const bool backtest = parser.value(type) == QLatin1String("ea") && autoBacktest;
    const bool testedBefore = autoBacktest && autoBacktest->isChecked();
    if (backtest)
        autoBacktest->setChecked(true);
    QTest::keyClicks(widget<QLineEdit>(window, "lineEdit_name"), parser.value(name));
    QTest::keyClicks(widget<QPlainTextEdit>(window, "plainTextEdit_prompt"), parser.value(request));
    QTest::mouseClick(widget<QPushButton>(window, "pushButton_generate"), Qt::LeftButton);
    if (!waitForTranscript(transcript, QStringLiteral("Result:"), 60000))
        return fail(QStringLiteral("no compiler log"), transcript);
    if (backtest && !waitForTranscript(transcript, QStringLiteral("Backtest finished after"), 60000))
        return fail(QStringLiteral("no backtest card"), transcript);
    if (backtest)
        autoBacktest->setChecked(testedBefore);
    QTest::qWait(200);

    if (parser.isSet(screenshot) && !window.grab().save(parser.value(screenshot)))
        return fail(QStringLiteral("cannot save the screenshot"), transcript);
    QTextStream(stdout) << "style: " << QApplication::style()->name() << "\n" << shownText(transcript) << "\n";
    if (!shownText(transcript).contains(QLatin1String("Result: 0 errors")))
        return fail(QStringLiteral("the program did not compile"), transcript);
    if (parser.isSet(screenshots)) {
        if (const QString problem = saveWindowShots(window, parser.value(screenshots)); !problem.isEmpty())
            return fail(problem, transcript);
    }
    QTest::qWait(parser.value(linger).toInt());
    if (parser.isSet(menus) && !openCodeGeneratorDialog(window))
        return fail(QStringLiteral("the Code generator dialog did not open"), transcript);
    if (parser.isSet(menus) && !switchLanguage(window))
        return fail(QStringLiteral("the language switch did not translate the menus"), transcript);
    window.close();
    return 0;
}
