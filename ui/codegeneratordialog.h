#pragma once

#include "platform/secretstore.h"
#include "service/codegeneratorchoice.h"

#include <QDialog>

#include <chrono>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class ModelServerProbe;

// Settings > Code generator: the built-in templates, a model server (its address, model and
// API key, with a Test that asks it for its models), or another TavrinAI service. It opens at
// once and shows the stored key and the address's user and password (as "***") when the
// credential store answers. Accepting stores the choice in the settings; keepSecrets then puts
// the key and the user and password into the credential store. An address that config.json
// names is shown as the administrator's and cannot be changed here.
class CodeGeneratorDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit CodeGeneratorDialog(QWidget *parent = nullptr, const SecretStore &store = SecretStore(),
                                 std::chrono::milliseconds testBound = std::chrono::seconds(5));

    CodeGeneratorChoice choice() const;
    QByteArray apiKey() const;
    ServiceBackend backend() const;

    void accept() override;
    // The line at the top: what writes the programs now, which may differ from the choice below.
    void showInUse(const QString &text);
    // Writes the accepted key and user info as saveSecrets does, with the same report.
    void keepSecrets(const QObject *context, std::function<void(bool kept)> done) const;

private:
    // The typed address, with the stored user and password where it shows them hidden.
    QString modelAddress() const;
    void askModelServer();
    void showTestResult(const QString &text);
    void onModelServerAnswered(bool ok, const QStringList &models, const QString &text);
    void followChoice();
    // A field the trader typed into before the store answered keeps what was typed. OK waits
    // for both answers, lest an untouched field remove a secret that was not read yet.
    void readSecrets(const QString &shownAddress);
    void secretRead();
    void growToFit();

    SecretStore m_store;
    QString m_storedUserInfo;
    ModelServerProbe *m_probe;
    QRadioButton *m_templates;
    QRadioButton *m_modelServer;
    QRadioButton *m_otherService;
    QWidget *m_modelFields;
    QLineEdit *m_modelBaseUrl;
    QComboBox *m_model;
    QLineEdit *m_apiKey;
    QLabel *m_keyNotKept;
    QPushButton *m_ok = nullptr;
    int m_pendingReads = 2;
    QLabel *m_testResult;
    QLabel *m_inUse;
    QLineEdit *m_serviceUrl;
};
