#pragma once

#include "platform/terminalinfo.h"
#include "protocol/domain.h"
#include "client/connection/codegeneratorinuse.h"
#include "client/conversation/conversation.h"
#include "client/connection/serviceaccess.h"
#include "ui/programtitles.h"
#include "ui_brevanqt.h"

#include <QMainWindow>
#include <QString>

class ChatArchive;
class ChatKeeper;
class ChatListPanel;
class CodeGeneratorDialog;
class LocalService;
class QAction;
class QActionGroup;
class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QWidget;

// The application's window: the form, the menus and the transcript. The conversation itself
// (sessions, requests, programs, saving and compiling) is the widget-free Conversation; each
// slot reads the form and hands the work to it or to the functions of platform/, and the
// window renders what the conversation reports.
class BrevanQt final : public QMainWindow
{
    Q_OBJECT

public:
    // Tests pass shorter time-outs; the application keeps the defaults.
    explicit BrevanQt(QWidget *parent = nullptr, const ServiceTimeouts &timeouts = {},
                      int compileTimeoutMs = CompilerRun::TimeoutMs);
    ~BrevanQt() override;

    // The service the client started, or found, at its address: its report goes into the chat,
    // and Settings > Code generator restarts it with the backend chosen there.
    void useLocalService(LocalService *service);

Q_SIGNALS:
    // Closing hides the window at once; this follows once its chat has been ended at the
    // service (or the bound for that expired), and the application may quit.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    // A program dropped on the window is opened in a chat of its own.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

private Q_SLOTS:
    void onAboutTriggered();
    void onPushButtonNewChatClicked(bool clicked = false);
    void onPushButtonGenerateClicked(bool clicked = false);
    void onRadioMT4clicked(bool clicked = false);
    void onRadioMT5clicked(bool clicked = false);
    void onPushButtonMT4ScanClicked(bool clicked = false);
    void onPushButtonMT5ScanClicked(bool clicked = false);
    void onPushButtonMT4InstallClicked(bool clicked = false);
    void onPushButtonMT4DataClicked(bool clicked = false);
    void onPushButtonMT5InstallClicked(bool clicked = false);
    void onPushButtonMT5DataClicked(bool clicked = false);
    // Starts the check of the client's version at the service's address; the window stays
    // usable meanwhile.
    void checkVersion();

private:
    void connectService();
    CodeGeneratorInUse codeGeneratorInUse() const;
    void showCodeGeneratorInUse();
    void createSettingsMenu();
    void onCodeGeneratorTriggered();
    void useCodeGenerator(const CodeGeneratorDialog &dialog);
    void createLanguageMenu();
    void retranslateExtras();
    void fitNameToPlaceholder();
    void connectConversation();
    void connectForm();
    void restoreLayout();
    void createAutoFixOption();
    // Handlers connected by function pointer, outside the slot table.
    void onComboBoxTypeChanged(int index);
    void onTranscriptLinkActivated(const QString &href);
    void onSaveConversationTriggered();
    void onVersionRefused(const QString &title, const QString &text);
    void onRequestInFlightChanged(bool inFlight);
    void onRequestSuggested(const QString &request);
    void showProgram(const QString &title, const QString &code, int line = 0);
    void openSavedFile(const QUrl &file);

    void startNewChat();
    void showActivePlatform();
    void passChoice();
    void passFolders(Protocol::Platform platform, bool remember);
    void fillFromTerminals(const TerminalList &found, Protocol::Platform platform);
    // The MT4 and MT5 controls, one path for both.
    struct PlatformControls final
    {
        QRadioButton *radio;
        QWidget *fields;
        QLineEdit *install;
        QLineEdit *data;
        QPushButton *scan;
    };
    PlatformControls controls(Protocol::Platform platform) const;
    void choosePlatform(Protocol::Platform platform);
    void scanTerminals(Protocol::Platform platform);
    void chooseInstallFolder(Protocol::Platform platform);
    void chooseDataFolder(Protocol::Platform platform);
    void saveConversation(const QString &path, const QString &text);
    // The kept chats beside the transcript, in a splitter of their own.
    void createChatList();
    void openKeptChat(const QString &id);
    void removeKeptChat(const QString &id);
    // Exports the chat id, the open one when it is id.
    void exportChat(const QString &id);
    // Open a program…: a file dialog in the chosen terminal's MQL folder.
    void askForProgram();
    void openProgramFile(const QString &path);
    // The form shows a chat's platform, program type and name.
    void showChoice(Protocol::Platform platform, Protocol::ProgramType type, const QString &name);
    // The list marks the open chat, and the next start opens it again.
    void showOpenChat();
    void restoreChoice();
    void restoreOpenChat();

    Ui::BrevanQtClass ui;
    Conversation *m_conversation = nullptr;
    LocalService *m_localService = nullptr;
    QString m_serviceAddress; // where the chats go
    QStringList m_serviceReports; // what the start said, for the next chat
    QLabel *m_codeGeneratorLabel = nullptr; // beside Send: what writes the programs
    QMenu *m_settingsMenu = nullptr;
    QAction *m_codeGeneratorAction = nullptr;
    QAction *m_autoBacktestAction = nullptr;
    QMenu *m_languageMenu = nullptr;
    QActionGroup *m_languageGroup = nullptr;
    QAction *m_actionEnglish = nullptr;
    QAction *m_actionSimplifiedChinese = nullptr;
    QAction *m_actionTraditionalChinese = nullptr;
    QMenu *m_helpMenu = nullptr;
    QAction *m_aboutAction = nullptr;
    QAction *m_saveConversationAction = nullptr;
    QMenu *m_fileMenu = nullptr;
    QAction *m_openProgramAction = nullptr;
    QAction *m_quitAction = nullptr;
    QCheckBox *m_autoFix = nullptr;
    ChatArchive *m_archive = nullptr;
    ChatKeeper *m_keeper = nullptr;
    ChatListPanel *m_chatList = nullptr;
    QSplitter *m_chatSplitter = nullptr;
    bool m_closing = false;   // hidden, its chat being ended
    bool m_chatEnded = false; // the close may go through
    ProgramTitles m_programTitles;
    QString m_lastRequest; // the request of the chat's last user bubble, given back when New Chat drops it
    QString m_chatToRestore; // the chat open at the last close, until it is open again
    bool m_listLoaded = false;
};
