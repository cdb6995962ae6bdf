#include "ui/brevanqt.h"

#include "app/language.h"
#include "platform/compilerrun.h"
#include "platform/deployment.h"
#include "platform/dialogfolders.h"
#include "platform/terminalscanner.h"
#include "service/protocol.h"
#include "service/version.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QVBoxLayout>

namespace {

const QString kContactEmail = QStringLiteral("support@tavrinai.com");
const QString kWebsiteHost = QStringLiteral("www.tavrinai.com");

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
    if (!m_helpMenu) {
        m_helpMenu = menuBar()->addMenu(tr("Help"));
        m_aboutAction = m_helpMenu->addAction(tr("About"));
        connect(m_aboutAction, &QAction::triggered, this, &BrevanQt::onAboutTriggered);
    }
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
    ui.comboBox_type->clear();
    ui.comboBox_type->addItem(tr("Indicator"), QStringLiteral("indicator"));
    ui.comboBox_type->addItem(tr("EA"), QStringLiteral("ea"));
    const int index = ui.comboBox_type->findData(selectedType, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui.comboBox_type->setCurrentIndex(index);

    if (m_languageMenu)
        m_languageMenu->setTitle(tr("Language"));
    if (m_helpMenu)
        m_helpMenu->setTitle(tr("Help"));
    if (m_aboutAction)
        m_aboutAction->setText(tr("About"));
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
                         .arg(selectedPlatform(ui), ui.comboBox_type->currentText()));
        deployGeneratedCode();
        return;
    case ServiceReply::Kind::Other:
        return;
    }
}

void BrevanQt::onPushButtonNewChatClicked(bool)
{
    const QString platform = selectedPlatform(ui);
    if (!m_sessionId.isEmpty()) {
        deleteServiceRequest(*m_networkManager, m_sessionUrl, endSessionBody(m_sessionId, languageCode()),
                             languageCode());
        m_sessionId.clear();
    }
    postServiceRequest(*m_networkManager, m_newChatUrl,
                       newChatBody(selectedCodeType(ui), platform, languageCode()), languageCode());
    ui.plainTextEdit_prompt->clear();
    ui.textEdit_code->clear();
    appendNotice(tr("Creating new %1 %2 chat...").arg(platform, ui.comboBox_type->currentText()));
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
    postServiceRequest(*m_networkManager, m_chatUrl, chatBody(m_sessionId, request, languageCode()),
                       languageCode());
    ui.plainTextEdit_prompt->clear();
    ui.textEdit_code->appendMessage(request, true);
    appendNotice(tr("Generating code..."));
}

void BrevanQt::onRadioMT4clicked(bool)
{
    ui.radioButton_mt5->setChecked(false);
    ui.widget_mt4->setEnabled(true);
    ui.widget_mt5->setEnabled(false);
}

void BrevanQt::onRadioMT5clicked(bool)
{
    ui.radioButton_mt4->setChecked(false);
    ui.widget_mt4->setEnabled(false);
    ui.widget_mt5->setEnabled(true);
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

    QString platform;
    QString dataFolder;
    QString installFolder;
    if (ui.radioButton_mt4->isChecked()) {
        platform = QStringLiteral("MT4");
        dataFolder = ui.lineEdit_mt4data->text().trimmed();
        installFolder = ui.lineEdit_mt4install->text().trimmed();
    } else if (ui.radioButton_mt5->isChecked()) {
        platform = QStringLiteral("MT5");
        dataFolder = ui.lineEdit_mt5data->text().trimmed();
        installFolder = ui.lineEdit_mt5install->text().trimmed();
    } else {
        appendNotice(tr("No platform selected!"));
        return;
    }

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
    const QString targetFolder = Deployment::targetFolder(mqlFolder, selectedCodeType(ui));
    const QString fileName = name + Deployment::sourceExtension(platform);
    const QString sourcePath = targetFolder + QLatin1Char('/') + fileName;
    const Deployment::WriteResult written = Deployment::writeSourceFile(sourcePath, m_generatedCode);
    if (!written.ok) {
        appendNotice(tr("Cannot write file: %1").arg(written.error));
        return;
    }
    appendNotice(tr("Code saved to: %1").arg(sourcePath));

    const CompilerRun::Outcome outcome = CompilerRun::compile(installFolder, targetFolder, fileName);
    if (!outcome.started) {
        appendNotice(tr("Cannot start compiler!"));
        return;
    }
    if (outcome.hasLog)
        appendNotice(outcome.log);
}
