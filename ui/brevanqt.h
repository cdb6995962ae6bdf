#pragma once

#include "service/chatsession.h"
#include "service/protocol.h"
#include "ui_brevanqt.h"

#include <QMainWindow>
#include <QString>

class LocalService;
class QAction;
class QCloseEvent;
class QEvent;
class QMenu;
class QNetworkAccessManager;
class QNetworkReply;

// The application's window and the owner of all its state: the form, the service's
// addresses, the open chat session and the code of the last answer. Each slot reads the
// form and hands the work to the widget-free functions of service/ and platform/.
class BrevanQt final : public QMainWindow
{
    Q_OBJECT

public:
    // Tests pass shorter time-outs; the application keeps the defaults.
    explicit BrevanQt(QWidget *parent = nullptr, const ServiceTimeouts &timeouts = {});
    ~BrevanQt() override;

    // The service the client started, or found, at its address: its report goes into the chat,
    // and Settings > Code generator restarts it with the backend chosen there.
    void useLocalService(LocalService *service);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private Q_SLOTS:
    void onAboutTriggered();
    void onRequestFinished(QNetworkReply *reply);
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
    bool checkVersion();

private:
    void createSettingsMenu();
    void onCodeGeneratorTriggered();
    void createLanguageMenu();
    void retranslateExtras();
    // Handlers connected by function pointer, outside the slot table.
    void onComboBoxTypeChanged(int index);
    void onTranscriptLinkActivated(const QString &href);
    void onSaveConversationTriggered();

    void startSession(bool keepPrompt);
    void followForm();
    QString programName(const QString &codeType) const;
    QString programsName(const QString &codeType) const;
    void endAbandonedSession(QNetworkReply *reply);
    void deployGeneratedCode();
    void showCompilerLog(const QString &log);
    void saveConversation(const QString &path);
    void appendNotice(const QString &text);

    Ui::BrevanQtClass ui;
    QString m_newChatUrl;
    QString m_chatUrl;
    QString m_sessionUrl;
    QString m_apiBaseUrl;
    QString m_sessionId;
    ChatSession m_session;
    QString m_generatedCode;
    QNetworkAccessManager *m_networkManager = nullptr;
    LocalService *m_localService = nullptr;
    QMenu *m_settingsMenu = nullptr;
    QAction *m_codeGeneratorAction = nullptr;
    QMenu *m_languageMenu = nullptr;
    QAction *m_actionEnglish = nullptr;
    QAction *m_actionSimplifiedChinese = nullptr;
    QAction *m_actionTraditionalChinese = nullptr;
    QMenu *m_helpMenu = nullptr;
    QAction *m_aboutAction = nullptr;
    QAction *m_saveConversationAction = nullptr;
    ServiceTimeouts m_timeouts;
};
