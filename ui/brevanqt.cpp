#include "ui/brevanqt.h"

#include "platform/deployment.h"
#include "platform/dialogfolders.h"
#include "platform/language.h"
#include "platform/programfile.h"
#include "platform/terminalfolders.h"
#include "platform/terminalscanner.h"
#include "platform/secretstore.h"
#include "client/archive/chatarchive.h"
#include "client/archive/chatkeeper.h"
#include "client/connection/codegeneratorinuse.h"
#include "client/connection/localservice.h"
#include "client/connection/serviceaccess.h"
#include "ui/codegeneratordialog.h"
#include "protocol/version.h"
#include "widgets/chatlistpanel.h"
#include "widgets/codeviewer.h"
#include "widgets/backtestdialog.h"
#include "widgets/versionsdialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kContactEmail = QStringLiteral("support@tavrinai.com");
const QString kWebsiteHost = QStringLiteral("www.tavrinai.com");
const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kSplitterKey = QStringLiteral("window/splitter");
const QString kChatSplitterKey = QStringLiteral("window/chatSplitter");
// The kept chats are read this long after the code generator let the client in, when its first
// chat has been asked for, or after the longer delay without it: reading them never competes
// with the window's start.
constexpr int kChatListAfterLiveMs = 300;
constexpr int kChatListDelayMs = 2000;
const QString kAutoFixKey = QStringLiteral("conversation/autoFix");
const QString kAutoBacktestKey = QStringLiteral("conversation/autoBacktest");
const QString kSaveFolderKey = QStringLiteral("conversation/saveFolder");
// The form and the chat as the trader left them, for the next start.
const QString kPlatformKey = QStringLiteral("form/platform");
const QString kProgramTypeKey = QStringLiteral("form/programType");
const QString kOpenChatKey = QStringLiteral("chats/open");
// How long "Copied" shows in the status bar.
constexpr int kCopiedMs = 2000;
// The request field is never smaller than this many lines of text, the chat than this many.
constexpr int kRequestLines = 4;
constexpr int kChatLines = 8;

Protocol::Platform selectedPlatform(const Ui::BrevanQtClass &ui)
{
    return ui.radioButton_mt4->isChecked() ? Protocol::Platform::Mt4 : Protocol::Platform::Mt5;
}

Protocol::ProgramType selectedProgramType(const Ui::BrevanQtClass &ui)
{
    return Protocol::programTypeNamed(ui.comboBox_type->currentData().toString()).value_or(Protocol::ProgramType::Indicator);
}

// Window-modal and shown without waiting in place: replies and compiles go on meanwhile.
void chooseFolder(QWidget *parent, const QString &title, const QString &startFolder, QLineEdit *edit)
{
    auto *dialog = new QFileDialog(parent, title, startFolder);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QFileDialog::fileSelected, edit, &QLineEdit::setText);
    dialog->open();
}

void showVersionWarning(QWidget *parent, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("versionWarning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(title);
    box->setTextFormat(Qt::RichText);
    box->setText(text);
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    box->setIcon(QMessageBox::Warning);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    box->open();
}

QLabel *linkLabel(const QString &html, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    label->setText(html);
    return label;
}

// A terminal as a trader tells it apart: its installation folder's name, then its data folder.
QString terminalLabel(const TerminalInfo &terminal)
{
    return QStringLiteral("%1 — %2").arg(QFileInfo(terminal.installPath).fileName(),
                                         QDir::toNativeSeparators(terminal.dataPath));
}

// The folder the conversation was last saved to, else Documents, else home: never the
// working folder, where a file dialog falls back to for a folder that does not exist.
QString conversationFolder()
{
    const QString last = QSettings().value(kSaveFolderKey).toString();
    if (!last.isEmpty() && QDir(last).exists())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).exists() ? documents : QDir::homePath();
}

} // namespace

BrevanQt::BrevanQt(QWidget *parent, const ServiceTimeouts &timeouts, int compileTimeoutMs)
    : QMainWindow(parent)
    , m_conversation(new Conversation(this, timeouts, {compileTimeoutMs, BacktestRun::TimeoutMs}))
    , m_serviceAddress(resolveApiBaseUrl())
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
    createAutoFixOption();
    m_codeGeneratorLabel = new QLabel(this);
    m_codeGeneratorLabel->setObjectName(QStringLiteral("label_codeGenerator"));
    ui.horizontalLayout_4->insertWidget(ui.horizontalLayout_4->indexOf(ui.pushButton_generate), m_codeGeneratorLabel);
    createChatList();
    retranslateExtras();
    restoreLayout();

    // The tool bar stays in the form, empty and out of sight; nothing offers to show it.
    ui.mainToolBar->hide();
    setContextMenuPolicy(Qt::NoContextMenu);
    restoreChoice();
    for (const Protocol::Platform platform : {Protocol::Platform::Mt4, Protocol::Platform::Mt5}) {
        const TerminalFolders::Pair folders = TerminalFolders::load(Protocol::wireName(platform));
        controls(platform).install->setText(folders.install);
        controls(platform).data->setText(folders.data);
        passFolders(platform, false);
    }
    m_conversation->setProgramName(ui.lineEdit_name->text());
    passChoice();
    // Nothing to talk about until the service has let this version in.
    ui.pushButton_generate->setEnabled(false);
    ui.pushButton_newChat->setEnabled(false);

    connectConversation();
    connectForm();
    // After useLocalService(), which decides whether the client's own service is wanted.
    QTimer::singleShot(0, this, &BrevanQt::connectService);
}

BrevanQt::~BrevanQt() = default;

void BrevanQt::checkVersion()
{
    showCodeGeneratorInUse();
    m_conversation->setLanguage(Protocol::wireName(storedLanguage()));
    m_conversation->start(m_serviceAddress);
}

// The trader's choice in Settings decides, not whoever started a service at the address: a
// choice of templates or a model is served by the client's own service. The credential store
// is read without blocking the window.
void BrevanQt::connectService()
{
    m_serviceAddress = resolveApiBaseUrl();
    loadBackend(SecretStore(), this, [this](const StoredBackend &stored) {
        if (stored.secretsLost) {
            m_serviceReports << tr("No credential store answers on this computer, so the model server's API key "
                                   "and password were not kept: enter them again in Settings > Code generator…");
        }
        if (m_localService && CodeGeneratorChoice::load().wantsOwnService(m_serviceAddress))
            m_localService->start(m_serviceAddress, stored.backend, true);
        else
            checkVersion();
    });
}

CodeGeneratorInUse BrevanQt::codeGeneratorInUse() const
{
    const bool own = m_localService && m_localService->ownsService()
        && m_localService->baseUrl() == m_serviceAddress;
    return CodeGeneratorInUse::of(m_serviceAddress, own, own ? m_localService->backend() : ServiceBackend());
}

void BrevanQt::showCodeGeneratorInUse()
{
    const CodeGeneratorInUse inUse = codeGeneratorInUse();
    m_codeGeneratorLabel->setText(inUse.label());
    m_codeGeneratorLabel->setToolTip(inUse.toolTip());
    m_conversation->setCodeGenerator(inUse);
}

void BrevanQt::connectConversation()
{
    Conversation *conversation = m_conversation;
    connect(conversation, &Conversation::versionRefused, this, &BrevanQt::onVersionRefused);
    connect(conversation, &Conversation::liveChanged, this, [this](bool live) {
        restoreOpenChat();
        setWindowTitle(tr("TavrinAI Code Generator"));
        ui.pushButton_newChat->setEnabled(live);
        onRequestInFlightChanged(m_conversation->isRequestInFlight());
        for (const QString &report : std::exchange(m_serviceReports, {}))
            m_conversation->addNotice(report);
    });
    connect(conversation, &Conversation::transcriptCleared, ui.textEdit_code, &QTextEdit::clear);
    connect(conversation, &Conversation::entryAdded, ui.textEdit_code, &ChatTextEdit::showEntry);
    connect(conversation, &Conversation::entryAdded, this, [this](int, const ChatEntry &entry) {
        m_programTitles.note(entry, ui.lineEdit_name->text());
        if (entry.kind == ChatEntry::Kind::User)
            m_lastRequest = entry.text;
    });
    connect(conversation, &Conversation::entryChanged, ui.textEdit_code, &ChatTextEdit::changeEntry);
    connect(conversation, &Conversation::requestInFlightChanged, this, &BrevanQt::onRequestInFlightChanged);
    connect(conversation, &Conversation::requestReturned, this, [this](const QString &request) {
        if (ui.plainTextEdit_prompt->toPlainText().trimmed().isEmpty())
            ui.plainTextEdit_prompt->setPlainText(request);
    });
    connect(conversation, &Conversation::requestSuggested, this, &BrevanQt::onRequestSuggested);
    connect(conversation, &Conversation::programShown, this, [this](int number, int line) {
        const QString code = m_conversation->program(number);
        const QString title = m_programTitles.title(number, code);
        showProgram(title.isEmpty() ? tr("Program %1").arg(number + 1) : title, code, line);
    });
    connect(conversation, &Conversation::programCopied, this, [this](int number) {
        QGuiApplication::clipboard()->setText(m_conversation->program(number));
        statusBar()->showMessage(tr("Copied"), kCopiedMs);
    });
    connect(conversation, &Conversation::closed, this, [this] {
        m_chatEnded = true;
        close();
    });
}

void BrevanQt::connectForm()
{
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
    connect(ui.pushButton_newChat, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonNewChatClicked);
    connect(ui.pushButton_generate, &QAbstractButton::clicked, this, &BrevanQt::onPushButtonGenerateClicked);
    connect(ui.textEdit_code, &ChatTextEdit::linkActivated, this, &BrevanQt::onTranscriptLinkActivated);
    connect(ui.lineEdit_name, &QLineEdit::textChanged, m_conversation, &Conversation::setProgramName);
    for (const Protocol::Platform platform : {Protocol::Platform::Mt4, Protocol::Platform::Mt5}) {
        for (QLineEdit *edit : {controls(platform).install, controls(platform).data})
            connect(edit, &QLineEdit::textChanged, this, [this, platform] { passFolders(platform, true); });
    }
    // Ctrl+Enter sends from the request field, as in other chat programs.
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto *shortcut = new QShortcut(keys, ui.plainTextEdit_prompt, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (ui.pushButton_generate->isEnabled())
                ui.pushButton_generate->click();
        });
    }
    // Esc stops the request, the compile or the backtest the chat waits for, as its Stop link does.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, m_conversation, &Conversation::stop);
}

// Beside Send, off until the trader turns it on; remembered.
void BrevanQt::createAutoFixOption()
{
    m_autoFix = new QCheckBox(this);
    m_autoFix->setObjectName(QStringLiteral("checkBox_autoFix"));
    m_autoFix->setChecked(QSettings().value(kAutoFixKey, false).toBool());
    m_conversation->setAutoFix(m_autoFix->isChecked());
    ui.horizontalLayout_4->insertWidget(ui.horizontalLayout_4->indexOf(ui.pushButton_generate), m_autoFix);
    connect(m_autoFix, &QCheckBox::toggled, this, [this](bool on) {
        m_conversation->setAutoFix(on);
        QSettings().setValue(kAutoFixKey, on);
    });
}

// At first start the transcript gets most of the height; later the trader's own layout returns.
void BrevanQt::restoreLayout()
{
    const int lineHeight = ui.plainTextEdit_prompt->fontMetrics().lineSpacing();
    ui.plainTextEdit_prompt->setMinimumHeight(kRequestLines * lineHeight + 2 * ui.plainTextEdit_prompt->frameWidth()
                                              + int(2 * ui.plainTextEdit_prompt->document()->documentMargin()));
    ui.textEdit_code->setMinimumHeight(kChatLines * lineHeight);
    ui.splitter->setStretchFactor(0, 3);
    ui.splitter->setStretchFactor(1, 1);
    ui.splitter->setSizes({3000, 1000});
    const QSettings settings;
    restoreGeometry(settings.value(kGeometryKey).toByteArray());
    ui.splitter->restoreState(settings.value(kSplitterKey).toByteArray());
}

// The window goes at once; the chat is ended at the service without holding the event loop,
// and the close goes through when it is (or its bound expired).
void BrevanQt::closeEvent(QCloseEvent *event)
{
    if (m_chatEnded) {
        event->accept();
        Q_EMIT closed();
        return;
    }
    event->ignore();
    if (std::exchange(m_closing, true))
        return;
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kSplitterKey, ui.splitter->saveState());
    settings.setValue(kChatSplitterKey, m_chatSplitter->saveState());
    hide();
    // The chat is kept as it is, a request on its way included, before the close drops it.
    m_keeper->close();
    m_archive->flush();
    m_conversation->close();
}

void BrevanQt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The form's retranslation would empty the name field and reset the title.
        const QString name = ui.lineEdit_name->text();
        ui.retranslateUi(this);
        ui.lineEdit_name->setText(name);
        if (m_conversation->isLive())
            setWindowTitle(tr("TavrinAI Code Generator"));
        retranslateExtras();
        onRequestInFlightChanged(m_conversation->isRequestInFlight());
        m_conversation->setLanguage(Protocol::wireName(storedLanguage()));
    }
    QMainWindow::changeEvent(event);
}

// A service that answers is used as it is; only when the first check reaches none is the
// bundled one looked for and started, then the check made again.
void BrevanQt::useLocalService(LocalService *service)
{
    m_localService = service;
    m_conversation->setServiceStarter(true);
    // Reached when no service of the client's own was wanted: the default templates serve.
    connect(m_conversation, &Conversation::serviceUnreachable, service,
            [this, service] { service->start(m_serviceAddress, {}); });
    connect(service, &LocalService::stopped, m_conversation, &Conversation::addNotice);
    // What the service's start says goes into the chat once the first chat is open.
    const auto report = [this, service](const QString &text) {
        if (!text.isEmpty())
            m_serviceReports << text;
        m_serviceAddress = service->baseUrl();
        checkVersion();
    };
    connect(service, &LocalService::ready, this, report);
    connect(service, &LocalService::failed, this, report);
}

void BrevanQt::createSettingsMenu()
{
    m_settingsMenu = menuBar()->addMenu(tr("Settings"));
    m_codeGeneratorAction = m_settingsMenu->addAction(tr("Code generator…"));
    connect(m_codeGeneratorAction, &QAction::triggered, this, &BrevanQt::onCodeGeneratorTriggered);
    // Off until the trader turns it on: a test takes the terminal for a while.
    m_autoBacktestAction = m_settingsMenu->addAction(tr("Backtest after every clean compile"));
    m_autoBacktestAction->setObjectName(QStringLiteral("action_autoBacktest"));
    m_autoBacktestAction->setCheckable(true);
    m_autoBacktestAction->setChecked(QSettings().value(kAutoBacktestKey, false).toBool());
    m_conversation->setAutoBacktest(m_autoBacktestAction->isChecked());
    connect(m_autoBacktestAction, &QAction::toggled, this, [this](bool on) {
        m_conversation->setAutoBacktest(on);
        QSettings().setValue(kAutoBacktestKey, on);
    });
}

// The new choice takes effect once its secrets are written: the address is read anew, the
// client's own service is started again with the new backend (beside a service it did not
// start, if one holds the address), and a new chat starts there; the request field keeps what
// was typed. The service gets the backend as accepted, not as read back from the store.
void BrevanQt::onCodeGeneratorTriggered()
{
    // Window-modal and shown without waiting in place: replies keep arriving meanwhile.
    auto *dialog = new CodeGeneratorDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->showInUse(codeGeneratorInUse().inUseNow());
    connect(dialog, &QDialog::accepted, this, [this, dialog] { useCodeGenerator(*dialog); });
    dialog->open();
}

void BrevanQt::useCodeGenerator(const CodeGeneratorDialog &dialog)
{
    ui.pushButton_generate->setEnabled(false);
    ui.pushButton_newChat->setEnabled(false);
    // The old service hears of it while it still runs, before a new one can take its address.
    m_conversation->leave();
    dialog.keepSecrets(this, [this, backend = dialog.backend(), choice = dialog.choice()](bool kept) {
        if (!kept) {
            m_serviceReports << tr("No credential store answers on this computer: the API key and the address's "
                                   "password are used only until TavrinAI closes.");
        }
        m_serviceAddress = resolveApiBaseUrl();
        if (m_localService)
            m_localService->start(m_serviceAddress, backend, choice.wantsOwnService(m_serviceAddress));
        else
            checkVersion();
    });
}

void BrevanQt::createLanguageMenu()
{
    if (m_languageMenu)
        return;
    m_languageMenu = menuBar()->addMenu(tr("Language"));
    m_languageGroup = new QActionGroup(m_languageMenu);
    // Each language is named in itself, so nobody is stuck in a language they cannot read.
    m_actionEnglish = m_languageMenu->addAction(QStringLiteral("English"));
    m_actionSimplifiedChinese = m_languageMenu->addAction(QStringLiteral("简体中文"));
    m_actionTraditionalChinese = m_languageMenu->addAction(QStringLiteral("繁體中文"));
    const QList<QAction *> actions{m_actionEnglish, m_actionSimplifiedChinese, m_actionTraditionalChinese};
    for (int index = 0; index < actions.size(); ++index) {
        QAction *action = actions.at(index);
        action->setCheckable(true);
        m_languageGroup->addAction(action);
        connect(action, &QAction::triggered, this, [index] { applyLanguage(languageAt(index)); });
    }
}

void BrevanQt::retranslateExtras()
{
    // The item data is the stable key; only the shown label changes with the language.
    const QString selectedType = ui.comboBox_type->currentData().toString();
    // Only new labels: the open session must not take this for the user's choice.
    const QSignalBlocker quiet(ui.comboBox_type);
    ui.comboBox_type->clear();
    ui.comboBox_type->addItem(tr("Indicator"), Protocol::wireName(Protocol::ProgramType::Indicator));
    ui.comboBox_type->addItem(tr("EA"), Protocol::wireName(Protocol::ProgramType::ExpertAdvisor));
    const int index = ui.comboBox_type->findData(selectedType, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui.comboBox_type->setCurrentIndex(index);
    m_conversation->setProgramLabels(tr("Indicator"), tr("EA"));

    if (m_settingsMenu)
        m_settingsMenu->setTitle(tr("Settings"));
    if (m_codeGeneratorAction)
        m_codeGeneratorAction->setText(tr("Code generator…"));
    if (m_autoBacktestAction)
        m_autoBacktestAction->setText(tr("Backtest after every clean compile"));
    if (m_languageMenu)
        m_languageMenu->setTitle(tr("Language"));
    if (m_languageGroup) {
        const QList<QAction *> languages = m_languageGroup->actions();
        languages.at(int(storedLanguage()))->setChecked(true);
    }
    if (m_helpMenu)
        m_helpMenu->setTitle(tr("Help"));
    if (m_aboutAction)
        m_aboutAction->setText(tr("About"));
    if (m_saveConversationAction)
        m_saveConversationAction->setText(tr("Save conversation…"));
    if (m_chatList)
        m_chatList->retranslate();
    if (m_fileMenu) {
        m_fileMenu->setTitle(tr("File"));
        m_openProgramAction->setText(tr("Open a program…"));
        m_quitAction->setText(tr("Quit"));
    }
    fitNameToPlaceholder();
    ui.pushButton_generate->setToolTip(tr("Send the request (Ctrl+Enter)"));
    showCodeGeneratorInUse();
    m_autoFix->setText(tr("Fix compile errors automatically"));
    m_autoFix->setToolTip(tr("When the compiler reports errors, send them back to the code generator by "
                             "itself, at most twice in a row (with a code generator that takes compile errors)."));
}

// The name field never hides part of its placeholder, in whichever language.
void BrevanQt::fitNameToPlaceholder()
{
    QLineEdit *name = ui.lineEdit_name;
    QStyleOptionFrame frame;
    frame.initFrom(name);
    frame.lineWidth = name->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, name);
    const QMargins margins = name->textMargins() + name->contentsMargins();
    // Two pixels each side: the line edit's own margin around its text.
    const QSize text(name->fontMetrics().horizontalAdvance(name->placeholderText()) + margins.left() + margins.right() + 4,
                     name->fontMetrics().height());
    // Never narrower than the field asks to be either: a short placeholder in a font without its
    // glyphs (Chinese where only Latin fonts are installed) must not shrink it.
    name->setMinimumWidth(std::max(name->style()->sizeFromContents(QStyle::CT_LineEdit, &frame, text, name).width(),
                                   name->sizeHint().width()));
}

void BrevanQt::onAboutTriggered()
{
    auto *about = new QDialog(this);
    about->setObjectName(QStringLiteral("aboutDialog"));
    about->setAttribute(Qt::WA_DeleteOnClose);
    QDialog &dialog = *about;
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

    dialog.open();
}

void BrevanQt::onVersionRefused(const QString &title, const QString &text)
{
    showVersionWarning(this, title, text);
}

void BrevanQt::onRequestInFlightChanged(bool inFlight)
{
    ui.pushButton_generate->setEnabled(m_conversation->isLive() && !inFlight);
    ui.pushButton_generate->setToolTip(inFlight ? tr("The chat's request is on its way: wait for the answer, or press Stop in the chat.")
                                                : tr("Send the request (Ctrl+Enter)"));
}

void BrevanQt::passChoice()
{
    m_conversation->setChoice({selectedPlatform(ui), selectedProgramType(ui)});
}

BrevanQt::PlatformControls BrevanQt::controls(Protocol::Platform platform) const
{
    if (platform == Protocol::Platform::Mt4)
        return {ui.radioButton_mt4, ui.widget_mt4, ui.lineEdit_mt4install, ui.lineEdit_mt4data, ui.pushButton_mt4scan};
    return {ui.radioButton_mt5, ui.widget_mt5, ui.lineEdit_mt5install, ui.lineEdit_mt5data, ui.pushButton_mt5scan};
}

// The conversation reads the folders when an answer arrives; a change is kept for the next start.
void BrevanQt::passFolders(Protocol::Platform platform, bool remember)
{
    QLineEdit *install = controls(platform).install;
    QLineEdit *data = controls(platform).data;
    // A long path does not fit the field; its tooltip shows it whole.
    install->setToolTip(QDir::toNativeSeparators(install->text()));
    data->setToolTip(QDir::toNativeSeparators(data->text()));
    m_conversation->setFolders(platform, install->text(), data->text());
    if (remember)
        TerminalFolders::save(Protocol::wireName(platform), {install->text(), data->text()});
}

// A request on its way is lost with its chat: the trader is asked first, and gets it back.
void BrevanQt::onPushButtonNewChatClicked(bool)
{
    if (!m_conversation->isRequestInFlight()) {
        startNewChat();
        return;
    }
    auto *question = new QMessageBox(QMessageBox::Question, ui.pushButton_newChat->text(),
                                     tr("The answer to your request has not arrived yet. Start a new chat without "
                                        "it? Your request goes back into the request field."),
                                     QMessageBox::NoButton, this);
    question->setObjectName(QStringLiteral("newChatQuestion"));
    question->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *goAhead = question->addButton(tr("Start a new chat"), QMessageBox::AcceptRole);
    question->setDefaultButton(question->addButton(tr("Keep waiting"), QMessageBox::RejectRole));
    connect(goAhead, &QAbstractButton::clicked, this, [this] {
        const bool waiting = m_conversation->isRequestInFlight();
        startNewChat();
        if (waiting && ui.plainTextEdit_prompt->toPlainText().trimmed().isEmpty())
            ui.plainTextEdit_prompt->setPlainText(m_lastRequest);
    });
    question->open();
}

void BrevanQt::startNewChat()
{
    m_chatToRestore.clear();
    m_keeper->beginNew(ui.plainTextEdit_prompt->toPlainText());
    if (!m_conversation->newChat())
        ui.plainTextEdit_prompt->clear();
    showOpenChat();
}

void BrevanQt::showOpenChat()
{
    m_chatList->select(m_keeper->currentId());
    QSettings().setValue(kOpenChatKey, m_keeper->currentId());
}

// The platform and program type of the last run; the folders follow the platform.
void BrevanQt::restoreChoice()
{
    const QSettings settings;
    const Protocol::Platform platform =
        Protocol::platformNamed(settings.value(kPlatformKey).toString()).value_or(Protocol::Platform::Mt4);
    controls(platform).radio->setChecked(true);
    controls(platform == Protocol::Platform::Mt4 ? Protocol::Platform::Mt5 : Protocol::Platform::Mt4).radio->setChecked(false);
    showActivePlatform();
    const int type = ui.comboBox_type->findData(settings.value(kProgramTypeKey).toString());
    if (type >= 0)
        ui.comboBox_type->setCurrentIndex(type);
    m_chatToRestore = settings.value(kOpenChatKey).toString();
    // Until another is opened, the new one is what the next start comes back to.
    QSettings().setValue(kOpenChatKey, m_keeper->currentId());
}

// The chat open when the client last closed comes back once the code generator let the client
// in and the list is read, whichever comes last.
void BrevanQt::restoreOpenChat()
{
    if (m_chatToRestore.isEmpty() || !m_conversation->isLive() || !m_listLoaded)
        return;
    const QString id = std::exchange(m_chatToRestore, {});
    const QList<ChatSummary> chats = m_archive->summaries();
    if (std::any_of(chats.cbegin(), chats.cend(), [&id](const ChatSummary &chat) { return chat.id == id && !chat.damaged; }))
        openKeptChat(id);
}

void BrevanQt::onPushButtonGenerateClicked(bool)
{
    m_chatToRestore.clear(); // the trader is at work in this chat: the one left last time stays closed
    if (m_conversation->send(ui.plainTextEdit_prompt->toPlainText()) == Conversation::SendOutcome::Sent)
        ui.plainTextEdit_prompt->clear();
}

void BrevanQt::onComboBoxTypeChanged(int)
{
    QSettings().setValue(kProgramTypeKey, Protocol::wireName(selectedProgramType(ui)));
    passChoice();
}

void BrevanQt::onRadioMT4clicked(bool)
{
    choosePlatform(Protocol::Platform::Mt4);
}

void BrevanQt::onRadioMT5clicked(bool)
{
    choosePlatform(Protocol::Platform::Mt5);
}

void BrevanQt::choosePlatform(Protocol::Platform platform)
{
    const Protocol::Platform other = platform == Protocol::Platform::Mt4 ? Protocol::Platform::Mt5 : Protocol::Platform::Mt4;
    controls(other).radio->setChecked(false);
    QSettings().setValue(kPlatformKey, Protocol::wireName(platform));
    showActivePlatform();
    passChoice();
}

// The chosen platform's folders show under both radio buttons, which stay where they are.
void BrevanQt::showActivePlatform()
{
    for (const Protocol::Platform platform : {Protocol::Platform::Mt4, Protocol::Platform::Mt5}) {
        const PlatformControls shown = controls(platform);
        shown.fields->setEnabled(shown.radio->isChecked());
        shown.fields->setVisible(shown.radio->isChecked());
    }
}

void BrevanQt::onPushButtonMT4ScanClicked(bool)
{
    scanTerminals(Protocol::Platform::Mt4);
}

void BrevanQt::onPushButtonMT5ScanClicked(bool)
{
    scanTerminals(Protocol::Platform::Mt5);
}

void BrevanQt::scanTerminals(Protocol::Platform platform)
{
    TerminalScanner scanner;
    fillFromTerminals(platform == Protocol::Platform::Mt4 ? scanner.scanMT4() : scanner.scanMT5(), platform);
}

// The first terminal found fills the fields; with several, a list offers the others.
void BrevanQt::fillFromTerminals(const TerminalList &found, Protocol::Platform platform)
{
    QLineEdit *install = controls(platform).install;
    QLineEdit *data = controls(platform).data;
    if (found.isEmpty()) {
        m_conversation->addNotice(
            tr("No %1 terminal was found on this computer. Start the terminal once (it then creates its data "
               "folder), or choose its Installation path and Data path with \"...\".")
                .arg(Protocol::wireName(platform)));
        return;
    }
    install->setText(found.first().installPath);
    data->setText(found.first().dataPath);
    if (found.size() == 1)
        return;
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("terminalChoice"));
    for (const TerminalInfo &terminal : found) {
        QAction *choice = menu->addAction(terminalLabel(terminal));
        connect(choice, &QAction::triggered, this, [install, data, terminal] {
            install->setText(terminal.installPath);
            data->setText(terminal.dataPath);
        });
    }
    QPushButton *scan = controls(platform).scan;
    menu->popup(scan->mapToGlobal(QPoint(0, scan->height())));
}

void BrevanQt::onPushButtonMT4InstallClicked(bool)
{
    chooseInstallFolder(Protocol::Platform::Mt4);
}

void BrevanQt::onPushButtonMT4DataClicked(bool)
{
    chooseDataFolder(Protocol::Platform::Mt4);
}

void BrevanQt::onPushButtonMT5InstallClicked(bool)
{
    chooseInstallFolder(Protocol::Platform::Mt5);
}

void BrevanQt::onPushButtonMT5DataClicked(bool)
{
    chooseDataFolder(Protocol::Platform::Mt5);
}

// The dialogs' titles stay whole sentences for the translators, one per platform.
void BrevanQt::chooseInstallFolder(Protocol::Platform platform)
{
    chooseFolder(this,
                 platform == Protocol::Platform::Mt4 ? tr("Select MT4 installation directory")
                                                     : tr("Select MT5 installation directory"),
                 DialogFolders::installFolderStart(), controls(platform).install);
}

void BrevanQt::chooseDataFolder(Protocol::Platform platform)
{
    chooseFolder(this,
                 platform == Protocol::Platform::Mt4 ? tr("Select MT4 data directory") : tr("Select MT5 data directory"),
                 DialogFolders::dataFolderStart(), controls(platform).data);
}

// The fix request goes into the prompt for the user to read and send; what was typed stays.
void BrevanQt::onRequestSuggested(const QString &suggested)
{
    QString request = suggested;
    if (!ui.plainTextEdit_prompt->toPlainText().trimmed().isEmpty())
        request.prepend(QLatin1String("\n\n"));
    ui.plainTextEdit_prompt->moveCursor(QTextCursor::End);
    ui.plainTextEdit_prompt->insertPlainText(request);
    ui.plainTextEdit_prompt->setFocus();
}

void BrevanQt::onTranscriptLinkActivated(const QString &href)
{
    if (!m_conversation->activate(href))
        openSavedFile(QUrl(href));
}

// In the desktop's editor for the file; where the desktop has none, in the client's own viewer.
void BrevanQt::openSavedFile(const QUrl &file)
{
    if (QDesktopServices::openUrl(file))
        return;
    QFile source(file.toLocalFile());
    if (!source.open(QIODevice::ReadOnly)) {
        m_conversation->addNotice(tr("Cannot open %1").arg(file.toLocalFile()));
        return;
    }
    showProgram(QDir::toNativeSeparators(file.toLocalFile()), QString::fromUtf8(source.readAll()));
}

void BrevanQt::showProgram(const QString &title, const QString &code, int line)
{
    auto *viewer = new CodeViewer(title, code, this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->show();
    if (line > 0)
        viewer->showLine(line);
}

void BrevanQt::onSaveConversationTriggered()
{
    exportChat(m_keeper->currentId());
}

void BrevanQt::exportChat(const QString &id)
{
    auto *dialog = new QFileDialog(this, tr("Save conversation"),
                                   QDir(conversationFolder()).filePath(QStringLiteral("conversation.txt")),
                                   tr("Text files (*.txt)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this, id](const QString &path) {
        if (id == m_keeper->currentId()) {
            saveConversation(path, m_conversation->conversationText());
        } else if (const std::optional<QString> text = m_archive->conversationText(id, tr("You"), tr("TavrinAI"))) {
            saveConversation(path, *text);
        } else {
            m_conversation->addNotice(tr("Cannot save the conversation: %1").arg(tr("the chat could not be read")));
        }
    });
    dialog->open();
}

void BrevanQt::saveConversation(const QString &path, const QString &text)
{
    // Written as the source files are: whole or not at all, with the system's line ends.
    const Deployment::WriteResult written = Deployment::writeSourceFile(path, text);
    if (!written.ok) {
        m_conversation->addNotice(tr("Cannot save the conversation: %1").arg(written.error));
        return;
    }
    QSettings().setValue(kSaveFolderKey, QFileInfo(path).absolutePath());
}

// Beside the transcript and the request field, the trader's kept chats; the list can be pulled
// shut with the splitter, and its width is kept.
void BrevanQt::createChatList()
{
    m_archive = new ChatArchive(ChatArchive::defaultFolder(), this);
    m_keeper = new ChatKeeper(m_archive, m_conversation, this);
    m_chatList = new ChatListPanel(m_archive, this);
    m_chatSplitter = new QSplitter(Qt::Horizontal, this);
    m_chatSplitter->setObjectName(QStringLiteral("splitter_chats"));
    delete ui.centralWidget->layout()->replaceWidget(ui.splitter, m_chatSplitter);
    m_chatSplitter->addWidget(m_chatList);
    m_chatSplitter->addWidget(ui.splitter);
    m_chatSplitter->setStretchFactor(0, 1);
    m_chatSplitter->setStretchFactor(1, 3);
    m_chatSplitter->setSizes({1000, 3000});
    m_chatSplitter->restoreState(QSettings().value(kChatSplitterKey).toByteArray());
    // The extra height goes to the chat; the folders above keep theirs.
    ui.verticalLayout_3->setStretchFactor(m_chatSplitter, 1);

    connect(m_archive, &ChatArchive::writeFailed, this, [this](const QString &, const QString &error) {
        m_conversation->addNotice(tr("Cannot keep the chat: %1").arg(error));
    });
    connect(ui.plainTextEdit_prompt, &QPlainTextEdit::textChanged, this,
            [this] { m_keeper->setDraft(ui.plainTextEdit_prompt->toPlainText()); });
    connect(m_chatList, &ChatListPanel::chatChosen, this, &BrevanQt::openKeptChat);
    connect(m_chatList, &ChatListPanel::removeConfirmed, this, &BrevanQt::removeKeptChat);
    connect(m_chatList, &ChatListPanel::exportAsked, this, &BrevanQt::exportChat);
    connect(m_chatList, &ChatListPanel::openProgramAsked, this, &BrevanQt::askForProgram);
    m_fileMenu = new QMenu(this);
    menuBar()->insertMenu(menuBar()->actions().value(0), m_fileMenu);
    m_openProgramAction = m_fileMenu->addAction(QString());
    m_openProgramAction->setShortcut(QKeySequence::Open);
    connect(m_openProgramAction, &QAction::triggered, this, &BrevanQt::askForProgram);
    // The same action as on the transcript's context menu.
    m_fileMenu->addAction(m_saveConversationAction);
    m_fileMenu->addSeparator();
    // As the close button does: the chat ends at the service, and the service this client started stops.
    m_quitAction = m_fileMenu->addAction(QString());
    m_quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quitAction->setMenuRole(QAction::QuitRole);
    connect(m_quitAction, &QAction::triggered, this, &QWidget::close);
    setAcceptDrops(true);
    connect(m_archive, &ChatArchive::listLoaded, this, [this] {
        m_listLoaded = true;
        m_chatList->select(m_keeper->currentId());
        restoreOpenChat();
    });
    connect(m_conversation, &Conversation::requestEdited, this, [this](const QString &request) {
        ui.plainTextEdit_prompt->setPlainText(request);
        ui.plainTextEdit_prompt->setFocus();
    });
    connect(m_conversation, &Conversation::versionsShown, this, [this](int number) {
        auto *dialog = new VersionsDialog(ui.lineEdit_name->text(), m_conversation->versionsOf(number),
                                          m_conversation->currentProgram(), this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &VersionsDialog::versionChosen, m_conversation, &Conversation::useVersion);
        dialog->open();
    });
    connect(m_conversation, &Conversation::backtestAsked, this,
            [this](int number, Protocol::Platform platform, const BacktestChoice &choice) {
                auto *dialog = new BacktestDialog(platform, choice, this);
                dialog->setAttribute(Qt::WA_DeleteOnClose);
                connect(dialog, &BacktestDialog::chosen, m_conversation,
                        [this, number](const BacktestChoice &chosen) { m_conversation->backtest(number, chosen); });
                // The number is the chat's: another chat has other programs.
                connect(m_conversation, &Conversation::transcriptCleared, dialog, &QDialog::reject);
                dialog->open();
            });

    auto *listDelay = new QTimer(this);
    listDelay->setSingleShot(true);
    connect(listDelay, &QTimer::timeout, m_archive, &ChatArchive::load);
    connect(m_conversation, &Conversation::liveChanged, listDelay, [listDelay] {
        if (listDelay->isActive())
            listDelay->start(kChatListAfterLiveMs);
    });
    listDelay->start(kChatListDelayMs);
}

// The chat comes back as it was left: its transcript, its platform, type and name in the form,
// and in the request field what was typed, or the request that was on its way.
void BrevanQt::openKeptChat(const QString &id)
{
    m_chatToRestore.clear(); // the trader's own choice comes first
    const std::optional<StoredChat> chat = m_keeper->open(id, ui.plainTextEdit_prompt->toPlainText());
    if (chat) {
        showChoice(chat->platform, chat->type, chat->programName);
        ui.plainTextEdit_prompt->setPlainText(chat->requestInFlight.isEmpty() ? chat->draft : chat->requestInFlight);
    }
    showOpenChat();
}

void BrevanQt::removeKeptChat(const QString &id)
{
    if (!m_keeper->remove(id))
        return;
    if (!m_conversation->newChat())
        ui.plainTextEdit_prompt->clear();
    showOpenChat();
}

void BrevanQt::showChoice(Protocol::Platform platform, Protocol::ProgramType type, const QString &name)
{
    controls(platform).radio->setChecked(true);
    {
        const QSignalBlocker quiet(ui.comboBox_type);
        ui.comboBox_type->setCurrentIndex(ui.comboBox_type->findData(Protocol::wireName(type)));
    }
    choosePlatform(platform);
    ui.lineEdit_name->setText(name);
}

void BrevanQt::askForProgram()
{
    const Protocol::Platform platform = selectedPlatform(ui);
    const QString mql = Deployment::mqlFolder(controls(platform).data->text().trimmed(), platform);
    auto *dialog = new QFileDialog(this, tr("Open a program"), QDir(mql).exists() ? mql : QDir::homePath(),
                                   tr("MQL programs (*.mq4 *.mq5)"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &BrevanQt::openProgramFile);
    dialog->open();
}

void BrevanQt::openProgramFile(const QString &path)
{
    const ProgramFile program = ProgramFile::read(path);
    if (!program.error.isEmpty()) {
        m_conversation->addNotice(tr("Cannot open %1").arg(QDir::toNativeSeparators(path)) + QStringLiteral(": ") + program.error);
        return;
    }
    if (!m_conversation->isLive()) {
        m_conversation->addNotice(tr("The code generator is not connected yet: open the program again once it is."));
        return;
    }
    m_chatToRestore.clear();
    m_keeper->beginNew(ui.plainTextEdit_prompt->toPlainText());
    m_conversation->openProgram(program);
    // Until something is asked, the chat is named by its program's file.
    m_archive->rename(m_keeper->currentId(), QFileInfo(program.path).fileName());
    showChoice(program.platform, program.type, program.name);
    ui.plainTextEdit_prompt->clear();
    showOpenChat();
}

void BrevanQt::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.constFirst().isLocalFile()
        && QFileInfo(urls.constFirst().toLocalFile()).suffix().toLower().startsWith(QLatin1String("mq"))) {
        event->acceptProposedAction();
    }
}

void BrevanQt::dropEvent(QDropEvent *event)
{
    event->acceptProposedAction();
    openProgramFile(event->mimeData()->urls().constFirst().toLocalFile());
}
