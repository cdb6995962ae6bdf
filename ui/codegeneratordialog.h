#pragma once

#include "platform/secretstore.h"
#include "service/codegeneratorchoice.h"

#include <QDialog>

#include <chrono>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class ModelServerProbe;

// Settings > Code generator: the built-in templates, a model server (its address, model and
// API key, with a Test that asks it for its models), or another TavrinAI service. Accepting
// stores the choice in the settings and the key in the credential store; an address that
// config.json names is shown as the administrator's and cannot be changed here.
class CodeGeneratorDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit CodeGeneratorDialog(QWidget *parent = nullptr, const SecretStore &store = SecretStore(),
                                 std::chrono::milliseconds testBound = std::chrono::seconds(5));

    // What the service the client starts itself is to write with, as stored.
    // done gets it once the credential store answered (or its bound ran out), unless context is gone.
    static void loadStoredBackend(const QObject *context, std::function<void(const ServiceBackend &)> done,
                                  const SecretStore &store = SecretStore());

    CodeGeneratorChoice choice() const;
    QByteArray apiKey() const;
    ServiceBackend backend() const;

    void accept() override;

private:
    void askModelServer();
    void onModelServerAnswered(bool ok, const QStringList &models, const QString &text);
    void followChoice();

    SecretStore m_store;
    ModelServerProbe *m_probe;
    QRadioButton *m_templates;
    QRadioButton *m_modelServer;
    QRadioButton *m_otherService;
    QWidget *m_modelFields;
    QLineEdit *m_modelBaseUrl;
    QComboBox *m_model;
    QLineEdit *m_apiKey;
    QLabel *m_testResult;
    QLineEdit *m_serviceUrl;
};
