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
// stores the choice in the settings, and the key and the address's user and password in the
// credential store (the field shows them as "***"); an address that
// config.json names is shown as the administrator's and cannot be changed here.
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

private:
    // The typed address, with the stored user and password where it shows them hidden.
    QString modelAddress() const;
    void askModelServer();
    void showTestResult(const QString &text);
    void onModelServerAnswered(bool ok, const QStringList &models, const QString &text);
    void followChoice();

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
    QLabel *m_testResult;
    QLineEdit *m_serviceUrl;
};
