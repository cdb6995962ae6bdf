#include "chatresponder.h"
#include "enforcedpermissions.h"
#include "formdriver.h"
#include "standincompiler.h"
#include "support/testenvironment.h"
#include "terminaltree.h"
#include "support/transcript.h"

#include "platform/deployment.h"
#include "ui/brevanqt.h"
#include "widgets/chattextedit.h"

#include <QComboBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kReplyWaitMs = 30000;

const QString kIndicatorCode = QStringLiteral(
    "#property indicator_chart_window\n"
    "int OnInit() { return 0; }\n"
    "int OnCalculate(const int total, const int previous, const int begin, const double &price[])\n"
    "{\n  return total;\n}\n");
const QString kExpertCode = QStringLiteral("int OnInit() { return 0; }\nvoid OnTick()\n{\n}\n");

// One terminal laid out in a temporary folder: installation, data folder and its MQL folder.
struct Terminal final
{
    QString platform;
    QString install;
    QString data;
    QString mql;
    QString record; // where a recording compiler notes its runs
};

} // namespace

// From the service's answer to the compiled file: what the window writes where, and what
// it tells the user on the way.
class TestWindowDeployment final : public QObject
{
    Q_OBJECT

private:
    static Terminal makeTerminal(const QTemporaryDir &temp, const QString &platform,
                                 const QStringList &subFolders = {QStringLiteral("Indicators"),
                                                                  QStringLiteral("Experts")})
    {
        Terminal terminal;
        terminal.platform = platform;
        terminal.install = temp.filePath(QStringLiteral("Program Files/%1 Terminal").arg(platform));
        terminal.data = temp.filePath(QStringLiteral("Terminal/D0E8209F77C8CF37AD8BF550E51FF075"));
        terminal.mql = terminal.data + (platform == QLatin1String("MT5") ? QStringLiteral("/MQL5") : QStringLiteral("/MQL4"));
        terminal.record = temp.filePath(QStringLiteral("runs.txt"));
        TerminalTree::makeFolder(terminal.install, {}, {});
        TerminalTree::makeFolder(terminal.mql, {}, subFolders);
        return terminal;
    }

    // A log as the terminal's compiler writes it, for the recording compiler to leave behind.
    static QString preparedLog(const QTemporaryDir &temp, const QString &text)
    {
        const QString path = temp.filePath(QStringLiteral("prepared.log"));
        QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
        TerminalTree::writeFile(path, encoder.encode(text));
        return path;
    }

    static QStringList treeEntries(const QString &root)
    {
        QStringList entries;
        QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            entries.append(QDir(root).relativeFilePath(it.filePath()) + QLatin1Char(' ')
                           + QString::number(it.fileInfo().isDir() ? -1 : it.fileInfo().size()));
        }
        entries.sort();
        return entries;
    }

    static QByteArray fileContent(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static QString typeLabel(const QString &codeType)
    {
        return codeType == QLatin1String("indicator") ? QStringLiteral("Indicator") : QStringLiteral("EA");
    }

    static QString successBubble(const QString &platform, const QString &codeType)
    {
        return QStringLiteral("%1 %2 generated successfully!\nCompiling...").arg(platform, typeLabel(codeType));
    }

    static QStringList bubbles(const BrevanQt &window)
    {
        const auto *transcript = FormDriver::child<ChatTextEdit>(window, "textEdit_code");
        return transcript ? Transcript::bubbles(*transcript) : QStringList();
    }

    static int successCount(const BrevanQt &window)
    {
        int count = 0;
        for (const QString &bubble : bubbles(window))
            count += bubble.contains(QStringLiteral("generated successfully!")) ? 1 : 0;
        return count;
    }

    // The bubbles of the last deployment, from the success notice on.
    static QStringList deploymentBubbles(const BrevanQt &window, const QString &platform, const QString &codeType)
    {
        return Transcript::lastFrom(bubbles(window), successBubble(platform, codeType));
    }

    static void openWindow(BrevanQt &window)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The session is open once its greeting is shown.
        QTRY_VERIFY_WITH_TIMEOUT(bubbles(window).contains(QStringLiteral("hi")), kReplyWaitMs);
    }

    static void fillForm(BrevanQt &window, const Terminal &terminal, const QString &codeType,
                         const QString &name, const QString &install, const QString &data)
    {
        const bool mt5 = terminal.platform == QLatin1String("MT5");
        if (mt5)
            FormDriver::clickRadio(FormDriver::child<QRadioButton>(window, "radioButton_mt5"));
        auto *type = FormDriver::child<QComboBox>(window, "comboBox_type");
        auto *installEdit = FormDriver::child<QLineEdit>(window, mt5 ? "lineEdit_mt5install" : "lineEdit_mt4install");
        auto *dataEdit = FormDriver::child<QLineEdit>(window, mt5 ? "lineEdit_mt5data" : "lineEdit_mt4data");
        auto *nameEdit = FormDriver::child<QLineEdit>(window, "lineEdit_name");
        QVERIFY(type && installEdit && dataEdit && nameEdit);
        QVERIFY(installEdit->isEnabled());
        type->setCurrentIndex(type->findData(codeType));
        QCOMPARE(type->currentData().toString(), codeType);
        installEdit->setText(install);
        dataEdit->setText(data);
        nameEdit->setText(name);
    }

    static void fillForm(BrevanQt &window, const Terminal &terminal, const QString &codeType, const QString &name)
    {
        fillForm(window, terminal, codeType, name, terminal.install, terminal.data);
    }

    // Sends a request and waits for the deployment that its answer sets off.
    static void sendPrompt(BrevanQt &window, const QString &prompt, bool clearNameAfterSend = false)
    {
        auto *promptEdit = FormDriver::child<QPlainTextEdit>(window, "plainTextEdit_prompt");
        auto *generate = FormDriver::child<QPushButton>(window, "pushButton_generate");
        QVERIFY(promptEdit && generate);
        const int before = successCount(window);
        QTest::keyClicks(promptEdit, prompt);
        QTest::mouseClick(generate, Qt::LeftButton);
        QCOMPARE(bubbles(window).mid(bubbles(window).size() - 2),
                 (QStringList{prompt, QStringLiteral("Generating code...")}));
        if (clearNameAfterSend)
            FormDriver::child<QLineEdit>(window, "lineEdit_name")->clear();
        // The whole deployment runs in the slot that shows the success notice.
        QTRY_COMPARE_WITH_TIMEOUT(successCount(window), before + 1, kReplyWaitMs);
    }

    std::unique_ptr<ChatResponder> m_responder;

private Q_SLOTS:
    void initTestCase()
    {
        m_responder = std::make_unique<ChatResponder>();
        QVERIFY(m_responder->isListening());
        TestEnvironment::writeServiceBaseUrl(m_responder->baseUrl());
    }

    void cleanupTestCase()
    {
        TestEnvironment::removeServiceConfig();
        m_responder.reset();
    }

    void init()
    {
        TestEnvironment::resetSettings();
        m_responder->setChatResponse({});
    }

    void deploysAndCompiles_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("codeType");
        QTest::addColumn<bool>("typeFolderPresent");
        QTest::addColumn<QString>("target");    // below the MQL folder
        QTest::addColumn<QString>("extension");

        for (const bool present : {true, false}) {
            const char *suffix = present ? "" : ", no type folder";
            QTest::addRow("MT4 indicator%s", suffix) << "MT4" << "indicator" << present
                                                     << (present ? "/Indicators" : "") << ".mq4";
            QTest::addRow("MT4 EA%s", suffix) << "MT4" << "ea" << present << (present ? "/Experts" : "") << ".mq4";
            QTest::addRow("MT5 indicator%s", suffix) << "MT5" << "indicator" << present
                                                     << (present ? "/Indicators" : "") << ".mq5";
            QTest::addRow("MT5 EA%s", suffix) << "MT5" << "ea" << present << (present ? "/Experts" : "") << ".mq5";
        }
    }

    void deploysAndCompiles()
    {
        QFETCH(QString, platform);
        QFETCH(QString, codeType);
        QFETCH(bool, typeFolderPresent);
        QFETCH(QString, target);
        QFETCH(QString, extension);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const QString typeFolder = codeType == QLatin1String("indicator") ? QStringLiteral("Indicators")
                                                                          : QStringLiteral("Experts");
        QStringList subFolders = {QStringLiteral("Indicators"), QStringLiteral("Experts"), QStringLiteral("Scripts")};
        if (!typeFolderPresent)
            subFolders.removeAll(typeFolder);
        const Terminal terminal = makeTerminal(temp, platform, subFolders);
        QVERIFY(StandInCompiler::installCopy(QStringLiteral(FAKE_METAEDITOR_PATH), terminal.install));
        const QString code = codeType == QLatin1String("indicator") ? kIndicatorCode : kExpertCode;
        m_responder->setChatResponse(code);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, codeType, QStringLiteral("RsiCross"));
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Cross of two moving averages"));
        if (QTest::currentTestFailed())
            return;

        const QString folder = terminal.mql + target;
        const QString source = folder + QStringLiteral("/RsiCross") + extension;
        const QStringList shown = deploymentBubbles(window, platform, codeType);
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown.at(0), successBubble(platform, codeType));
        QCOMPARE(shown.at(1), QStringLiteral("Platform path verified!"));
        QCOMPARE(shown.at(2), QStringLiteral("Code saved to: %1").arg(source));
        // The compiler's UTF-16 log, decoded.
        QVERIFY2(shown.at(3).contains(QStringLiteral("compiling 'RsiCross%1'").arg(extension)), qPrintable(shown.at(3)));
        QVERIFY2(shown.at(3).contains(QStringLiteral("Result: 0 errors")), qPrintable(shown.at(3)));

        QCOMPARE(fileContent(source), code.toUtf8());
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/a.log")));
        const QString output = folder + QStringLiteral("/RsiCross") + (platform == QLatin1String("MT5") ? ".ex5" : ".ex4");
        QVERIFY(QFileInfo::exists(output));
        // Nothing lands beside it in the MQL folder or in the other type's folder.
        const QString otherFolder = terminal.mql
            + (codeType == QLatin1String("indicator") ? QStringLiteral("/Experts") : QStringLiteral("/Indicators"));
        QCOMPARE(QDir(otherFolder).entryList(QDir::Files), QStringList());
        if (typeFolderPresent)
            QCOMPARE(QDir(terminal.mql).entryList(QDir::Files), QStringList());
    }

    void defaultNameWhenFieldEmptied()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        QVERIFY(StandInCompiler::installRecorder(
            terminal.install, terminal.record, preparedLog(temp, QStringLiteral("Result: 0 errors, 0 warnings\r\n"))));
        m_responder->setChatResponse(kExpertCode);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("Will be cleared"));
        if (QTest::currentTestFailed())
            return;
        const QDateTime before = QDateTime::currentDateTime();
        sendPrompt(window, QStringLiteral("A simple EA"), true);
        if (QTest::currentTestFailed())
            return;
        const QDateTime after = QDateTime::currentDateTime();

        const QString folder = terminal.mql + QStringLiteral("/Experts");
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString fileName = files.first();
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^Tavrin_(\\d{8}_\\d{6})\\.mq4$")).match(fileName);
        QVERIFY2(match.hasMatch(), qPrintable(fileName));
        const QString format = QStringLiteral("yyyyMMdd_HHmmss");
        QVERIFY(match.captured(1) >= before.toString(format));
        QVERIFY(match.captured(1) <= after.toString(format));

        const QStringList shown = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea"));
        QCOMPARE(shown.value(2), QStringLiteral("Code saved to: %1/%2").arg(folder, fileName));
        const QList<StandInCompiler::Run> runs = StandInCompiler::recordedRuns(terminal.record);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.first().arguments.value(0), QStringLiteral("/compile:") + fileName);
    }

    void compilerGetsNameAndFolder_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("codeType");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");

        QTest::newRow("blanks, MT5 EA") << "MT5" << "ea" << "My Moving Average EA" << "My Moving Average EA.mq5"
                                        << "Experts";
        QTest::newRow("blanks around") << "MT4" << "indicator" << "  Padded Name  " << "Padded Name.mq4"
                                       << "Indicators";
        QTest::newRow("unicode and dots") << "MT4" << "ea" << "指标 v1.2" << "指标 v1.2.mq4" << "Experts";
    }

    void compilerGetsNameAndFolder()
    {
        QFETCH(QString, platform);
        QFETCH(QString, codeType);
        QFETCH(QString, name);
        QFETCH(QString, fileName);
        QFETCH(QString, folder);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, platform);
        const QString log = QStringLiteral("compiling '%1'\r\nResult: 0 errors, 0 warnings\r\n").arg(fileName);
        QVERIFY(StandInCompiler::installRecorder(terminal.install, terminal.record, preparedLog(temp, log)));
        m_responder->setChatResponse(kExpertCode);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, codeType, name);
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        const QString targetFolder = terminal.mql + QLatin1Char('/') + folder;
        const QString source = targetFolder + QLatin1Char('/') + fileName;
        QVERIFY(QFileInfo::exists(source));
        const QStringList shown = deploymentBubbles(window, platform, codeType);
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown.at(2), QStringLiteral("Code saved to: %1").arg(source));
        QVERIFY2(shown.at(3).startsWith(QStringLiteral("compiling '%1'\nResult: 0 errors, 0 warnings").arg(fileName)),
                 qPrintable(shown.at(3)));

        const QList<StandInCompiler::Run> runs = StandInCompiler::recordedRuns(terminal.record);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.first().workingFolder, QFileInfo(targetFolder).canonicalFilePath());
        QCOMPARE(runs.first().arguments,
                 (QStringList{QStringLiteral("/compile:") + fileName, QStringLiteral("/log:a.log")}));
        QVERIFY(!QFileInfo::exists(targetFolder + QStringLiteral("/a.log")));
    }

    void pathFieldsAsTyped_data()
    {
        QTest::addColumn<QString>("install"); // {install}, {data}: the terminal's folders
        QTest::addColumn<QString>("data");

        QTest::newRow("trailing slash on data") << "{install}" << "{data}/";
        QTest::newRow("trailing slashes on both") << "{install}/" << "{data}/";
        QTest::newRow("surrounding blanks") << "  {install} " << "\t{data}  ";
    }

    void pathFieldsAsTyped()
    {
        QFETCH(QString, install);
        QFETCH(QString, data);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        QVERIFY(StandInCompiler::installRecorder(terminal.install, terminal.record));
        m_responder->setChatResponse(kExpertCode);
        install.replace(QStringLiteral("{install}"), terminal.install);
        data.replace(QStringLiteral("{data}"), terminal.data);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("Typed"), install, data);
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        const QString folder = terminal.mql + QStringLiteral("/Experts");
        const QString source = folder + QStringLiteral("/Typed.mq4");
        QCOMPARE(fileContent(source), kExpertCode.toUtf8());
        const QStringList shown = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea"));
        QCOMPARE(shown.size(), 3);
        const QString prefix = QStringLiteral("Code saved to: ");
        QVERIFY2(shown.at(2).startsWith(prefix), qPrintable(shown.at(2)));
        QCOMPARE(QFileInfo(shown.at(2).mid(prefix.size())).canonicalFilePath(), QFileInfo(source).canonicalFilePath());
        const QList<StandInCompiler::Run> runs = StandInCompiler::recordedRuns(terminal.record);
        QCOMPARE(runs.size(), 1);
        QCOMPARE(runs.first().workingFolder, QFileInfo(folder).canonicalFilePath());
    }

    void invalidPlatformPath_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("fault");

        for (const char *platform : {"MT4", "MT5"}) {
            for (const char *fault : {"data empty", "install empty", "both empty", "data blank", "install blank",
                                      "MQL folder missing", "other platform's MQL folder only",
                                      "installation missing", "data missing"}) {
                QTest::addRow("%s, %s", platform, fault) << QString::fromLatin1(platform) << QString::fromLatin1(fault);
            }
        }
    }

    void invalidPlatformPath()
    {
        QFETCH(QString, platform);
        QFETCH(QString, fault);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        Terminal terminal = makeTerminal(temp, platform);
        QVERIFY(StandInCompiler::installRecorder(terminal.install, terminal.record));
        QString install = terminal.install;
        QString data = terminal.data;
        if (fault == QLatin1String("data empty")) {
            data.clear();
        } else if (fault == QLatin1String("install empty")) {
            install.clear();
        } else if (fault == QLatin1String("both empty")) {
            data.clear();
            install.clear();
        } else if (fault == QLatin1String("data blank")) {
            data = QStringLiteral("   ");
        } else if (fault == QLatin1String("install blank")) {
            install = QStringLiteral("  ");
        } else if (fault == QLatin1String("MQL folder missing")) {
            QVERIFY(QDir(terminal.mql).removeRecursively());
        } else if (fault == QLatin1String("other platform's MQL folder only")) {
            const QString other = terminal.data + (platform == QLatin1String("MT5") ? "/MQL4" : "/MQL5");
            QVERIFY(QDir().rename(terminal.mql, other));
        } else if (fault == QLatin1String("installation missing")) {
            install = temp.filePath(QStringLiteral("Program Files/Absent"));
        } else if (fault == QLatin1String("data missing")) {
            data = temp.filePath(QStringLiteral("Terminal/Absent"));
        }
        m_responder->setChatResponse(kExpertCode);
        const QStringList entriesBefore = treeEntries(temp.path());

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("X"), install, data);
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(deploymentBubbles(window, platform, QStringLiteral("ea")),
                 (QStringList{successBubble(platform, QStringLiteral("ea")), QStringLiteral("Invalid platform path!")}));
        QCOMPARE(treeEntries(temp.path()), entriesBefore);
        QVERIFY(StandInCompiler::recordedRuns(terminal.record).isEmpty());
    }

    void nameWithSeparator_data()
    {
        QTest::addColumn<QString>("name");

        QTest::newRow("parent folder") << "../Escape";
        QTest::newRow("two levels up") << "../../Escape";
        QTest::newRow("sub-folder") << "sub/Inner";
        QTest::newRow("parent folder, backslash") << "..\\Escape";
        QTest::newRow("sub-folder, backslash") << "sub\\Inner";
        QTest::newRow("absolute") << "/tmp/Escape";
    }

    void nameWithSeparator()
    {
        QFETCH(QString, name);

        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        // A folder that would take the file, were the name taken as a path.
        QVERIFY(QDir().mkpath(terminal.mql + QStringLiteral("/Experts/sub")));
        QVERIFY(StandInCompiler::installRecorder(terminal.install, terminal.record));
        m_responder->setChatResponse(kExpertCode);
        const QStringList entriesBefore = treeEntries(temp.path());

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), name);
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        const QStringList shown = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea"));
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.at(1), QStringLiteral("Platform path verified!"));
        QCOMPARE(shown.at(2), QStringLiteral("Cannot write file: %1").arg(Deployment::sourceNameProblem(name)));
        QVERIFY(!Deployment::sourceNameProblem(name).isEmpty());
        QCOMPARE(treeEntries(temp.path()), entriesBefore);
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/Escape.mq4")));
        QVERIFY(StandInCompiler::recordedRuns(terminal.record).isEmpty());
    }

    void readOnlyTargetFolder()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        const QString folder = terminal.mql + QStringLiteral("/Experts");
        QVERIFY(TerminalTree::writeFile(folder + QStringLiteral("/X.mq4"), "old version\n"));
        QVERIFY(StandInCompiler::installRecorder(terminal.install, terminal.record));
        m_responder->setChatResponse(kExpertCode);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("X"));
        if (QTest::currentTestFailed())
            return;

        QVERIFY(EnforcedPermissions::setReadOnly(folder, true));
        const auto restore = qScopeGuard([&folder] { EnforcedPermissions::setReadOnly(folder, false); });
        {
            EnforcedPermissions enforced;
            if (!EnforcedPermissions::refusesNewFiles(folder))
                QSKIP("this process cannot be kept from writing into a read-only folder");
            sendPrompt(window, QStringLiteral("Anything"));
        }
        if (QTest::currentTestFailed())
            return;

        const QStringList shown = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea"));
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.at(1), QStringLiteral("Platform path verified!"));
        const QString prefix = QStringLiteral("Cannot write file: ");
        QVERIFY2(shown.at(2).startsWith(prefix) && shown.at(2).size() > prefix.size(), qPrintable(shown.at(2)));
        QCOMPARE(fileContent(folder + QStringLiteral("/X.mq4")), QByteArray("old version\n"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("X.mq4")});
        QVERIFY(StandInCompiler::recordedRuns(terminal.record).isEmpty());
    }

    void folderInTheWay()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        const QString inTheWay = terminal.mql + QStringLiteral("/Experts/X.mq4");
        QVERIFY(QDir().mkpath(inTheWay));
        QVERIFY(StandInCompiler::installRecorder(terminal.install, terminal.record));
        m_responder->setChatResponse(kExpertCode);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("X"));
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        const QStringList shown = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea"));
        QCOMPARE(shown.size(), 3);
        const QString prefix = QStringLiteral("Cannot write file: ");
        QVERIFY2(shown.at(2).startsWith(prefix) && shown.at(2).size() > prefix.size(), qPrintable(shown.at(2)));
        QVERIFY(QFileInfo(inTheWay).isDir());
        QVERIFY(StandInCompiler::recordedRuns(terminal.record).isEmpty());
    }

    void crLfAnswer()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT5"));
        QVERIFY(StandInCompiler::installCopy(QStringLiteral(FAKE_METAEDITOR_PATH), terminal.install));
        QString crLfCode = kExpertCode;
        crLfCode.replace(QLatin1String("\n"), QLatin1String("\r\n"));
        m_responder->setChatResponse(crLfCode);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("Lines"));
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        const QByteArray content = fileContent(terminal.mql + QStringLiteral("/Experts/Lines.mq5"));
        QVERIFY(!content.contains("\r\r\n"));
#ifdef Q_OS_WIN
        QCOMPARE(content, crLfCode.toUtf8());
#else
        QCOMPARE(content, kExpertCode.toUtf8());
#endif
        QVERIFY(deploymentBubbles(window, QStringLiteral("MT5"), QStringLiteral("ea")).value(3).contains(
            QStringLiteral("Result: 0 errors")));
    }

    void staleLogNeverShown()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        const QString folder = terminal.mql + QStringLiteral("/Experts");
        QVERIFY(TerminalTree::writeFile(folder + QStringLiteral("/a.log"), "STALE compiling 'old.mq4'\r\nResult: 9 errors, 0 warnings\r\n"));
        // This compiler leaves no log of its own.
        QVERIFY(StandInCompiler::installRecorder(terminal.install, terminal.record));
        m_responder->setChatResponse(kExpertCode);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("Fresh"));
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea")),
                 (QStringList{successBubble(QStringLiteral("MT4"), QStringLiteral("ea")),
                              QStringLiteral("Platform path verified!"),
                              QStringLiteral("Code saved to: %1/Fresh.mq4").arg(folder)}));
        QVERIFY(!bubbles(window).join(QLatin1Char('\n')).contains(QStringLiteral("STALE")));
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/a.log")));
        QCOMPARE(StandInCompiler::recordedRuns(terminal.record).size(), 1);
    }

    void compilerMissing()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT5"));
        m_responder->setChatResponse(kIndicatorCode);

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("indicator"), QStringLiteral("NoCompiler"));
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        const QString source = terminal.mql + QStringLiteral("/Indicators/NoCompiler.mq5");
        QCOMPARE(deploymentBubbles(window, QStringLiteral("MT5"), QStringLiteral("indicator")),
                 (QStringList{successBubble(QStringLiteral("MT5"), QStringLiteral("indicator")),
                              QStringLiteral("Platform path verified!"),
                              QStringLiteral("Code saved to: %1").arg(source),
                              QStringLiteral("Cannot start compiler!")}));
        QCOMPARE(fileContent(source), kIndicatorCode.toUtf8());
    }

    void secondDeploymentReplacesFirst()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        QVERIFY(StandInCompiler::installCopy(QStringLiteral(FAKE_METAEDITOR_PATH), terminal.install));
        const QString source = terminal.mql + QStringLiteral("/Experts/Same.mq4");
        const QString broken = QStringLiteral("int OnInit() { return 0; }\nvoid OnTick() {\n");

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("ea"), QStringLiteral("Same"));
        if (QTest::currentTestFailed())
            return;

        m_responder->setChatResponse(kExpertCode);
        sendPrompt(window, QStringLiteral("First"));
        if (QTest::currentTestFailed())
            return;
        const QStringList first = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea"));
        QCOMPARE(first.size(), 4);
        QVERIFY2(first.at(3).contains(QStringLiteral("Result: 0 errors")), qPrintable(first.at(3)));

        m_responder->setChatResponse(broken);
        sendPrompt(window, QStringLiteral("Second"));
        if (QTest::currentTestFailed())
            return;
        const QStringList second = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("ea"));
        QCOMPARE(second.size(), 4);
        QCOMPARE(second.at(2), QStringLiteral("Code saved to: %1").arg(source));
        QVERIFY2(second.at(3).contains(QStringLiteral("Result: 1 errors")), qPrintable(second.at(3)));
        QVERIFY(!second.at(3).contains(QStringLiteral("Result: 0 errors")));
        QCOMPARE(fileContent(source), broken.toUtf8());
        QCOMPARE(QDir(terminal.mql + QStringLiteral("/Experts")).entryList({QStringLiteral("*.mq4")}),
                 QStringList{QStringLiteral("Same.mq4")});
    }

    void emptyAnswer()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        const Terminal terminal = makeTerminal(temp, QStringLiteral("MT4"));
        QVERIFY(StandInCompiler::installRecorder(
            terminal.install, terminal.record, preparedLog(temp, QStringLiteral("Result: 1 errors, 0 warnings\r\n"))));
        m_responder->setChatResponse(QString());

        BrevanQt window;
        openWindow(window);
        if (QTest::currentTestFailed())
            return;
        fillForm(window, terminal, QStringLiteral("indicator"), QStringLiteral("Empty"));
        if (QTest::currentTestFailed())
            return;
        sendPrompt(window, QStringLiteral("Anything"));
        if (QTest::currentTestFailed())
            return;

        const QString source = terminal.mql + QStringLiteral("/Indicators/Empty.mq4");
        QVERIFY(QFileInfo(source).isFile());
        QCOMPARE(QFileInfo(source).size(), 0);
        const QStringList shown = deploymentBubbles(window, QStringLiteral("MT4"), QStringLiteral("indicator"));
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown.at(2), QStringLiteral("Code saved to: %1").arg(source));
        QVERIFY2(shown.at(3).startsWith(QStringLiteral("Result: 1 errors, 0 warnings")), qPrintable(shown.at(3)));
        QCOMPARE(StandInCompiler::recordedRuns(terminal.record).size(), 1);
    }
};

BREVAN_GUI_TEST_MAIN(TestWindowDeployment)

#include "tst_windowdeployment.moc"
