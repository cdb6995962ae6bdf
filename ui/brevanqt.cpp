#include "ui/brevanqt.h"

#include "app/language.h"
#include "platform/compilerlog.h"
#include "platform/compilerrun.h"
#include "platform/deployment.h"
#include "platform/dialogfolders.h"
#include "platform/terminalscanner.h"
#include "service/localservice.h"
#include "service/protocol.h"
#include "ui/codegeneratordialog.h"
#include "service/version.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kContactEmail = QStringLiteral("support@tavrinai.com");
const QString kWebsiteHost = QStringLiteral("www.tavrinai.com");

// Marks a reply of "/api/new" or "/api/chat" with the serial of the session it was sent for.
const char kSessionProperty[] = "brevanSession";
// The href of the action offered under a log with errors: the prefix, then the error lines.
const QString kFixLinkPrefix = QStringLiteral("brevan-fix:");

QString selectedPlatform(const Ui::BrevanQtClass &ui)
{
    return ui.radioButton_mt4->isChecked() ? QStringLiteral("MT4") : QStringLiteral("MT5");
}

QString selectedCodeType(const Ui::BrevanQtClass &ui)
{
    return ui.comboBox_type->currentData().toString();
}

void fillFromFirstTerminal(const TerminalList &found, QLineEdit *installEdit, QLineEdit *dataEdit,
                           const QString &platform)
{
    if (found.isEmpty()) {
        qDebug().noquote() << QStringLiteral("未找到任何 %1 安装").arg(platform);
        return;
    }
    installEdit->setText(found.first().installPath);
    dataEdit->setText(found.first().dataPath);
}

void chooseFolder(QWidget *parent, const QString &title, const QString &startFolder, QLineEdit *edit)
{
    const QString folder =
        QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        edit->setText(folder);
}

void showVersionWarning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setIcon(QMessageBox::Warning);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    box.exec();
}

QLabel *linkLabel(const QString &html, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    label->setText(html);
    return label;
}

} // namespace

BrevanQt::BrevanQt(QWidget *parent, const ServiceTimeouts &timeouts)
    : QMainWindow(parent)
    , m_timeouts(timeouts)
{
    ui.setupUi(this);
    createLanguageMenu();
    createSettingsMenu();
    if (!m_helpMenu) {
        m_helpMenu = menuBar()->addMenu(tr("Help"));
        m_aboutAction = m_helpMenu->addAction(tr("About"));
        connect(m_aboutAction, &QAction::triggered, this, &BrevanQt::onAboutTriggered);
    }
    m_saveConversationAction = new QAction(this);
    m_saveConversationAction->setShortcut(QKeySequence::Save);
    ui.textEdit_code->addAction(m_saveConversationAction);
    connect(m_saveConversationAction, &QAction::triggered, this, &BrevanQt::onSaveConversationTriggered);
    retranslateExtras();

    // An outdated client keeps its form and menus but never talks to the service again.
    if (!checkVersion())
        return;

    m_sessionId.clear();
    setWindowTitle(tr("TavrinAI Code Generator"));
    m_apiBaseUrl = resolveApiBaseUrl();
    m_newChatUrl = m_apiBaseUrl + ServicePath::NewChat;
    m_chatUrl = m_apiBaseUrl + ServicePath::Chat;
    m_sessionUrl = m_apiBaseUrl + ServicePath::Session;

    m_networkManager = new QNetworkAccessManager(this);
    m_networkManager->setTransferTimeout(int(m_timeouts.transfer.count()));

    ui.radioButton_mt4->setChecked(true);
    ui.radioButton_mt5->setChecked(false);
    ui.widget_mt4->setEnabled(true);
    ui.widget_mt5->setEnabled(false);

    // Its reply can only arrive once the event loop runs, after the connections below.
    onPushButtonNewChatClicked(false);

    connect(ui.radioButton_mt4, &QAbstractButton::clicked, this, &BrevanQt::onRadioMT4clicked);
    connect(ui.radioButton_mt5, &QAbstractButton::clicked, this, &BrevanQt::onRadioMT5clicked);
    connect(ui.comboBox_type, &QComboBox::currentIndexChanged, this, &BrevanQt::onComboBoxTypeChanged);
    connect(ui.pushButton_mt4scan, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonMT4ScanClicked);
    connect(ui.pushButton_mt4data, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonMT4DataClicked);
    connect(ui.pushButton_mt4install, &QAbstractButton::clicked, this,
            &BrevanQt::onPushButtonMT4InstallClicked);
    connect(ui.pushButton_mt5scan, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonMT5ScanClicked);
    connect(ui.pushButton_mt5data, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonMT5DataClicked);
    connect(ui.pushButton_mt5install, &QAbstractButton::clicked, this,
            &BrevanQt::onPushButtonMT5InstallClicked);
    connect(m_networkManager, &QNetworkAccessManager::finished, this, &BrevanQt::onRequestFinished);
    connect(ui.pushButton_newChat, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonNewChatClicked);
    connect(ui.pushButton_generate, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonGenerateClicked);
    connect(ui.textEdit_code, &ChatTextEdit::linkActivated, this, &BrevanQt::onTranscriptLinkActivated);
}

BrevanQt::~BrevanQt() = default;

void BrevanQt::closeEvent(QCloseEvent *event)
{
    if (!m_sessionId.isEmpty()) {
        QNetworkAccessManager manager;
        QNetworkReply *reply =
            deleteServiceRequest(manager, m_sessionUrl, closingSessionBody(m_sessionId), languageCode());
        waitForReply(reply, m_timeouts.closingWait);
        reply->deleteLater();
        m_sessionId.clear();
    }
    event->accept();
}

void BrevanQt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The form's retranslation would empty the name field and reset the title.
        const QString name = ui.lineEdit_name->text();
        ui.retranslateUi(this);
        ui.lineEdit_name->setText(name);
        if (m_networkManager)
            setWindowTitle(tr("TavrinAI Code Generator"));
        retranslateExtras();
    }
    QMainWindow::changeEvent(event);
}

void BrevanQt::useLocalService(LocalService *service)
{
    m_localService = service;
    if (!service->lastReport().isEmpty())
        appendNotice(service->lastReport());
    connect(service, &LocalService::stopped, this, &BrevanQt::appendNotice);
}

void BrevanQt::createSettingsMenu()
{
    m_settingsMenu = menuBar()->addMenu(tr("Settings"));
    m_codeGeneratorAction = m_settingsMenu->addAction(tr("Code generator…"));
    connect(m_codeGeneratorAction, &QAction::triggered, this, &BrevanQt::onCodeGeneratorTriggered);
}

// The new choice takes effect at once: the address is read anew, the service the client
// manages is restarted with the new backend, and a new chat starts there.
void BrevanQt::onCodeGeneratorTriggered()
{
    CodeGeneratorDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted || !m_networkManager)
        return;
    m_apiBaseUrl = resolveApiBaseUrl();
    m_newChatUrl = m_apiBaseUrl + ServicePath::NewChat;
    m_chatUrl = m_apiBaseUrl + ServicePath::Chat;
    m_sessionUrl = m_apiBaseUrl + ServicePath::Session;
    m_sessionId.clear();
    if (m_localService) {
        m_localService->start(m_apiBaseUrl, dialog.backend());
        m_localService->waitUntilSettled();
    }
    startSession(true);
    if (m_localService && !m_localService->lastReport().isEmpty())
        appendNotice(m_localService->lastReport());
}

void BrevanQt::createLanguageMenu()
{
    if (m_languageMenu)
        return;
    m_languageMenu = menuBar()->addMenu(tr("Language"));
    // Each language is named in itself, so nobody is stuck in a language they cannot read.
    m_actionEnglish = m_languageMenu->addAction(QStringLiteral("English"));
    m_actionSimplifiedChinese = m_languageMenu->addAction(QStringLiteral("简体中文"));
    m_actionTraditionalChinese = m_languageMenu->addAction(QStringLiteral("繁體中文"));
    connect(m_actionEnglish, &QAction::triggered, this, [] { applyLanguage(English); });
    connect(m_actionSimplifiedChinese, &QAction::triggered, this, [] { applyLanguage(SimplifiedChinese); });
    connect(m_actionTraditionalChinese, &QAction::triggered, this, [] { applyLanguage(TraditionalChinese); });
}

void BrevanQt::retranslateExtras()
{
    // The item data is the stable key; only the shown label changes with the language.
    const QString selectedType = ui.comboBox_type->currentData().toString();
    // Only new labels: the open session must not take this for the user's choice.
    const QSignalBlocker quiet(ui.comboBox_type);
    ui.comboBox_type->clear();
    ui.comboBox_type->addItem(tr("Indicator"), QStringLiteral("indicator"));
    ui.comboBox_type->addItem(tr("EA"), QStringLiteral("ea"));
    const int index = ui.comboBox_type->findData(selectedType, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui.comboBox_type->setCurrentIndex(index);

    if (m_settingsMenu)
        m_settingsMenu->setTitle(tr("Settings"));
    if (m_codeGeneratorAction)
        m_codeGeneratorAction->setText(tr("Code generator…"));
    if (m_languageMenu)
        m_languageMenu->setTitle(tr("Language"));
    if (m_helpMenu)
        m_helpMenu->setTitle(tr("Help"));
    if (m_aboutAction)
        m_aboutAction->setText(tr("About"));
    if (m_saveConversationAction)
        m_saveConversationAction->setText(tr("Save conversation…"));
}

void BrevanQt::appendNotice(const QString &text)
{
    ui.textEdit_code->appendMessage(text, false);
}

void BrevanQt::onAboutTriggered()
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr("About TavrinAI"));
    dialog.setWindowFlags(dialog.windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto *mainLayout = new QVBoxLayout(&dialog);
    mainLayout->setContentsMargins(20, 20, 20, 20);
    mainLayout->setSpacing(16);
    auto *topRow = new QHBoxLayout;
    topRow->setSpacing(20);

    const QIcon icon = QGuiApplication::windowIcon();
    if (!icon.isNull()) {
        auto *iconLabel = new QLabel(&dialog);
        iconLabel->setPixmap(icon.pixmap(80, 80, QIcon::Normal, QIcon::Off));
        iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
        topRow->addWidget(iconLabel, 0);
    }

    auto *textColumn = new QVBoxLayout;
    textColumn->setSpacing(8);
    auto *title = new QLabel(tr("TavrinAI"), &dialog);
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + 4);
    titleFont.setBold(true);
    title->setFont(titleFont);
    textColumn->addWidget(title);
    textColumn->addWidget(new QLabel(tr("Version: %1").arg(QLatin1String(kClientVersion)), &dialog));
    auto *separator = new QFrame(&dialog);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    textColumn->addWidget(separator);
    auto *copyright = new QLabel(tr("Copyright © 2026 TavrinAI. All rights reserved."), &dialog);
    copyright->setTextFormat(Qt::PlainText);
    copyright->setWordWrap(true);
    textColumn->addWidget(copyright);
    textColumn->addWidget(linkLabel(
        tr("Contact: %1").arg(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(kContactEmail)), &dialog));
    textColumn->addWidget(linkLabel(
        tr("Website:") + QLatin1Char(' ')
            + QStringLiteral("<a href=\"https://%1\">%1</a>").arg(kWebsiteHost),
        &dialog));

    topRow->addLayout(textColumn, 1);
    mainLayout->addLayout(topRow, 0);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    mainLayout->addWidget(buttons, 0);

    dialog.exec();
}

void BrevanQt::onRequestFinished(QNetworkReply *reply)
{
    const QVariant session = reply->property(kSessionProperty);
    if (session.isValid() && session.toULongLong() != m_session.serial) {
        endAbandonedSession(reply);
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        appendNotice(tr("Request failed: %1").arg(reply->errorString()));
        reply->deleteLater();
        return;
    }

    m_generatedCode.clear();
    const ServiceReply answer = parseServiceReply(reply->readAll());
    reply->deleteLater();

    switch (answer.kind) {
    case ServiceReply::Kind::NewSession:
        if (!answer.success) {
            appendNotice(tr("Failed to create session: %1").arg(answer.message));
            return;
        }
        if (answer.hasSessionId)
            m_sessionId = answer.sessionId;
        appendNotice(answer.message);
        return;
    case ServiceReply::Kind::Chat:
        if (!answer.success) {
            appendNotice(answer.message);
            return;
        }
        m_generatedCode = answer.response;
        appendNotice(tr("%1 %2 generated successfully!\nCompiling...")
                         .arg(m_session.platform, programName(m_session.codeType)));
        deployGeneratedCode();
        return;
    case ServiceReply::Kind::Other:
        return;
    }
}

// A reply of a session that New Chat or a change of the form has ended: it belongs to a
// conversation the user has left, so it is neither shown nor deployed. A session that the
// service opened only now is ended at once, since nobody will use it.
void BrevanQt::endAbandonedSession(QNetworkReply *reply)
{
    reply->deleteLater();
    if (reply->error() != QNetworkReply::NoError)
        return;
    const ServiceReply answer = parseServiceReply(reply->readAll());
    if (answer.kind == ServiceReply::Kind::NewSession && answer.success && !answer.sessionId.isEmpty())
        deleteServiceRequest(*m_networkManager, m_sessionUrl, endSessionBody(answer.sessionId, languageCode()),
                             languageCode());
}

void BrevanQt::onPushButtonNewChatClicked(bool)
{
    startSession(false);
}

void BrevanQt::startSession(bool keepPrompt)
{
    if (!m_sessionId.isEmpty()) {
        deleteServiceRequest(*m_networkManager, m_sessionUrl, endSessionBody(m_sessionId, languageCode()),
                             languageCode());
        m_sessionId.clear();
    }
    m_session = {selectedPlatform(ui), selectedCodeType(ui), m_session.serial + 1, false};
    QNetworkReply *reply = postServiceRequest(*m_networkManager, m_newChatUrl,
                                              newChatBody(m_session.codeType, m_session.platform, languageCode()),
                                              languageCode());
    reply->setProperty(kSessionProperty, m_session.serial);
    if (!keepPrompt)
        ui.plainTextEdit_prompt->clear();
    ui.textEdit_code->clear();
    appendNotice(tr("Creating new %1 %2 chat...").arg(m_session.platform, programName(m_session.codeType)));
}

// Until its first Send a session is for whatever the form shows, so that the first request
// always reaches a session of the chosen platform and program type.
void BrevanQt::followForm()
{
    if (ChatSessions::fit(m_session, selectedPlatform(ui), selectedCodeType(ui)) == ChatSessions::FormFit::Reopen)
        startSession(true);
}

void BrevanQt::onComboBoxTypeChanged(int)
{
    followForm();
}

// The label of a program type in the combo box, in the current language.
QString BrevanQt::programName(const QString &codeType) const
{
    return ui.comboBox_type->itemText(ui.comboBox_type->findData(codeType));
}

QString BrevanQt::programsName(const QString &codeType) const
{
    return codeType == QLatin1String("indicator") ? tr("indicators") : tr("EAs");
}

void BrevanQt::onPushButtonGenerateClicked(bool)
{
    const QString request = ui.plainTextEdit_prompt->toPlainText().trimmed();
    if (request.isEmpty()) {
        appendNotice(tr("Please enter your request!"));
        return;
    }
    if (ui.lineEdit_name->text().trimmed().isEmpty()) {
        appendNotice(tr("Name cannot be empty!"));
        return;
    }
    const QString platform = selectedPlatform(ui);
    const QString codeType = selectedCodeType(ui);
    switch (ChatSessions::fit(m_session, platform, codeType)) {
    case ChatSessions::FormFit::Fits:
        break;
    case ChatSessions::FormFit::Reopen:
        startSession(true);
        break;
    case ChatSessions::FormFit::Refuse:
        appendNotice(tr("This chat writes %1 %2. Press New Chat to start a chat for %3 %4.")
                         .arg(m_session.platform, programsName(m_session.codeType), platform,
                              programsName(codeType)));
        return;
    }
    QNetworkReply *reply = postServiceRequest(*m_networkManager, m_chatUrl,
                                              chatBody(m_sessionId, request, languageCode()), languageCode());
    reply->setProperty(kSessionProperty, m_session.serial);
    m_session.used = true;
    ui.plainTextEdit_prompt->clear();
    ui.textEdit_code->appendMessage(request, true);
    appendNotice(tr("Generating code..."));
}

void BrevanQt::onRadioMT4clicked(bool)
{
    ui.radioButton_mt5->setChecked(false);
    ui.widget_mt4->setEnabled(true);
    ui.widget_mt5->setEnabled(false);
    followForm();
}

void BrevanQt::onRadioMT5clicked(bool)
{
    ui.radioButton_mt4->setChecked(false);
    ui.widget_mt4->setEnabled(false);
    ui.widget_mt5->setEnabled(true);
    followForm();
}

void BrevanQt::onPushButtonMT4ScanClicked(bool)
{
    fillFromFirstTerminal(TerminalScanner().scanMT4(), ui.lineEdit_mt4install, ui.lineEdit_mt4data,
                          QStringLiteral("MT4"));
}

void BrevanQt::onPushButtonMT5ScanClicked(bool)
{
    fillFromFirstTerminal(TerminalScanner().scanMT5(), ui.lineEdit_mt5install, ui.lineEdit_mt5data,
                          QStringLiteral("MT5"));
}

void BrevanQt::onPushButtonMT4InstallClicked(bool)
{
    chooseFolder(this, tr("Select MT4 installation directory"), DialogFolders::installFolderStart(),
                 ui.lineEdit_mt4install);
}

void BrevanQt::onPushButtonMT4DataClicked(bool)
{
    chooseFolder(this, tr("Select MT4 data directory"), DialogFolders::dataFolderStart(),
                 ui.lineEdit_mt4data);
}

void BrevanQt::onPushButtonMT5InstallClicked(bool)
{
    chooseFolder(this, tr("Select MT5 installation directory"), DialogFolders::installFolderStart(),
                 ui.lineEdit_mt5install);
}

void BrevanQt::onPushButtonMT5DataClicked(bool)
{
    chooseFolder(this, tr("Select MT5 data directory"), DialogFolders::dataFolderStart(),
                 ui.lineEdit_mt5data);
}

bool BrevanQt::checkVersion()
{
    QNetworkAccessManager manager;
    manager.setTransferTimeout(int(m_timeouts.versionCheck.count()));
    QNetworkReply *reply =
        postServiceRequest(manager, resolveApiBaseUrl() + ServicePath::VersionCheck, versionCheckBody(),
                           languageCode());
    waitForReply(reply);

    // A check that cannot be made lets the client go on.
    bool mayContinue = true;
    if (reply->error() == QNetworkReply::NoError) {
        const VersionVerdict verdict = parseVersionVerdict(reply->readAll());
        if (verdict.needUpdate) {
            mayContinue = false;
            const QString text = !verdict.message.isEmpty()
                ? verdict.message
                : tr("Current version: %1<br>Minimum required: %2<br><br>Please download the latest version.")
                      .arg(QLatin1String(kClientVersion), verdict.minVersion);
            showVersionWarning(this, tr("Version Too Low"), text);
        }
    }
    reply->deleteLater();
    return mayContinue;
}

void BrevanQt::deployGeneratedCode()
{
    QString name = ui.lineEdit_name->text().trimmed();
    if (name.isEmpty())
        name = Deployment::defaultSourceName(QDateTime::currentDateTime());

    // The answer is a program of the language and kind its session was opened for.
    const QString &platform = m_session.platform;
    const bool mt4 = platform == QLatin1String("MT4");
    const QString dataFolder = (mt4 ? ui.lineEdit_mt4data : ui.lineEdit_mt5data)->text().trimmed();
    const QString installFolder = (mt4 ? ui.lineEdit_mt4install : ui.lineEdit_mt5install)->text().trimmed();

    // An empty field would silently mean the current folder or a drive root.
    const QString mqlFolder = Deployment::mqlFolder(dataFolder, platform);
    if (dataFolder.isEmpty() || installFolder.isEmpty() || !QDir(mqlFolder).exists()
        || !QDir(installFolder).exists()) {
        appendNotice(tr("Invalid platform path!"));
        return;
    }
    appendNotice(tr("Platform path verified!"));

    const QString nameProblem = Deployment::sourceNameProblem(name);
    if (!nameProblem.isEmpty()) {
        appendNotice(tr("Cannot write file: %1").arg(nameProblem));
        return;
    }
    const QString targetFolder = Deployment::targetFolder(mqlFolder, m_session.codeType);
    const QString fileName = name + Deployment::sourceExtension(platform);
    const QString sourcePath = targetFolder + QLatin1Char('/') + fileName;
    const Deployment::WriteResult written = Deployment::writeSourceFile(sourcePath, m_generatedCode);
    if (!written.ok) {
        appendNotice(tr("Cannot write file: %1").arg(written.error));
        return;
    }
    ui.textEdit_code->appendMessage(tr("Code saved to: %1").arg(sourcePath), false, sourcePath,
                                    QUrl::fromLocalFile(QFileInfo(sourcePath).absoluteFilePath()).toString());

    const CompilerRun::Outcome outcome = CompilerRun::compile(installFolder, targetFolder, fileName);
    if (!outcome.problem.isEmpty())
        appendNotice(outcome.problem);
    else if (!outcome.started)
        appendNotice(tr("Cannot start compiler!"));
    if (outcome.hasLog)
        showCompilerLog(outcome.log);
    else if (outcome.started && outcome.problem.isEmpty())
        appendNotice(tr("The compiler finished but left no log."));
}

// A log that reports errors offers to hand them back to the service.
void BrevanQt::showCompilerLog(const QString &log)
{
    if (CompilerLog::errorCount(log) == 0) {
        appendNotice(log);
        return;
    }
    const QString action = tr("Ask to fix these errors");
    ui.textEdit_code->appendMessage(log + QLatin1Char('\n') + action, false, action,
                                    kFixLinkPrefix + CompilerLog::errorLines(log).join(QLatin1Char('\n')));
}

// The fix request goes into the prompt for the user to read and send; what was typed stays.
void BrevanQt::onTranscriptLinkActivated(const QString &href)
{
    if (href.startsWith(kFixLinkPrefix)) {
        QString request = tr("The program does not compile. Please fix these errors:") + QLatin1Char('\n')
            + href.mid(kFixLinkPrefix.size());
        if (!ui.plainTextEdit_prompt->toPlainText().trimmed().isEmpty())
            request.prepend(QLatin1String("\n\n"));
        ui.plainTextEdit_prompt->moveCursor(QTextCursor::End);
        ui.plainTextEdit_prompt->insertPlainText(request);
        ui.plainTextEdit_prompt->setFocus();
        return;
    }
    const QUrl file(href);
    if (!QDesktopServices::openUrl(file))
        appendNotice(tr("Cannot open %1").arg(file.toLocalFile()));
}

void BrevanQt::onSaveConversationTriggered()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    auto *dialog = new QFileDialog(this, tr("Save conversation"), QDir(folder).filePath(QStringLiteral("conversation.txt")),
                                   tr("Text files (*.txt)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &BrevanQt::saveConversation);
    dialog->open();
}

void BrevanQt::saveConversation(const QString &path)
{
    QList<ChatSessions::Said> said;
    for (const ChatTextEdit::Message &message : ui.textEdit_code->messages())
        said.append({message.isUser ? tr("You") : tr("TavrinAI"), message.text});
    // Written as the source files are: whole or not at all, with the system's line ends.
    const Deployment::WriteResult written = Deployment::writeSourceFile(path, ChatSessions::conversationText(said));
    if (!written.ok)
        appendNotice(tr("Cannot save the conversation: %1").arg(written.error));
}
