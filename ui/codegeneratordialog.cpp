#include "ui/codegeneratordialog.h"

#include "protocol/modeladdress.h"
#include "service/localservice.h"
#include "service/modelserverprobe.h"
#include "service/serviceaccess.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Notes wrap, but never into a column narrower than this many average characters.
constexpr int kNoteWidth = 48;
// What the address field shows in place of a stored user and password.
const QString kHiddenUserInfo = QStringLiteral("***");

QLabel *wrappedLabel(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(kNoteWidth * label->fontMetrics().averageCharWidth());
    return label;
}

template<typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

CodeGeneratorDialog::CodeGeneratorDialog(QWidget *parent, const SecretStore &store,
                                         std::chrono::milliseconds testBound)
    : QDialog(parent)
    , m_store(store)
    , m_probe(new ModelServerProbe(this, testBound))
    , m_templates(named(new QRadioButton(tr("Built-in templates (offline)"), this), "radio_templates"))
    , m_modelServer(named(new QRadioButton(tr("A model server"), this), "radio_modelServer"))
    , m_otherService(named(new QRadioButton(tr("Another TavrinAI service"), this), "radio_otherService"))
    , m_modelFields(new QWidget(this))
    , m_modelBaseUrl(named(new QLineEdit(m_modelFields), "lineEdit_modelBaseUrl"))
    , m_model(named(new QComboBox(m_modelFields), "comboBox_model"))
    , m_apiKey(named(new QLineEdit(m_modelFields), "lineEdit_apiKey"))
    , m_keyNotKept(wrappedLabel(tr("No credential store answers on this computer: the API key and "
                                   "the address's password cannot be kept, and are used only "
                                   "until TavrinAI closes."),
                                "label_keyNotKept", m_modelFields))
    , m_testResult(wrappedLabel({}, "label_testResult", m_modelFields))
    , m_inUse(wrappedLabel({}, "label_inUse", this))
    , m_serviceUrl(named(new QLineEdit(this), "lineEdit_serviceUrl"))
{
    setWindowTitle(tr("Code generator"));
    const CodeGeneratorChoice stored = CodeGeneratorChoice::load();

    m_modelBaseUrl->setPlaceholderText(QStringLiteral("http://127.0.0.1:11434"));
    m_modelBaseUrl->setText(stored.modelBaseUrl);
    m_model->setEditable(true);
    m_model->lineEdit()->setPlaceholderText(tr("the first one it lists"));
    m_model->setMinimumContentsLength(24);
    m_model->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_model->setEditText(stored.model);
    m_apiKey->setEchoMode(QLineEdit::Password);
    m_apiKey->setPlaceholderText(tr("Reading the credential store…"));
    auto *refresh = named(new QPushButton(tr("Refresh"), m_modelFields), "pushButton_refresh");
    auto *test = named(new QPushButton(tr("Test"), m_modelFields), "pushButton_test");
    auto *modelRow = new QHBoxLayout;
    modelRow->addWidget(m_model, 1);
    modelRow->addWidget(refresh);
    auto *form = new QFormLayout(m_modelFields);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->addRow(tr("Address:"), m_modelBaseUrl);
    form->addRow(tr("Model:"), modelRow);
    form->addRow(tr("API key:"), m_apiKey);
    // Shown once the store proves not to answer.
    m_keyNotKept->hide();
    form->addRow(m_keyNotKept);
    auto *testRow = new QHBoxLayout;
    testRow->addWidget(test);
    testRow->addStretch(1);
    form->addRow(testRow);
    form->addRow(m_testResult);

    m_serviceUrl->setPlaceholderText(QStringLiteral("https://service.example.com"));
    m_serviceUrl->setText(stored.serviceUrl);

    auto *layout = new QVBoxLayout(this);
    // Shown once the window says what is in use.
    m_inUse->hide();
    layout->addWidget(m_inUse);
    const QString config = configFilePath();
    if (configNamesService(config)) {
        const QString address = apiBaseUrlFromConfig(config);
        layout->addWidget(wrappedLabel(
            tr("The administrator set the code generator's address in config.json: %1.")
                .arg(ModelAddress::shown(QUrl(address))),
            "label_administrator", this));
        m_serviceUrl->setText(address);
        m_otherService->setEnabled(false);
        // A remote service writes programs its own way; nothing here applies to it.
        m_templates->setEnabled(LocalService::canServe(address));
        m_modelServer->setEnabled(LocalService::canServe(address));
    }
    layout->addWidget(m_templates);
    layout->addWidget(m_modelServer);
    layout->addWidget(m_modelFields);
    layout->addWidget(m_otherService);
    auto *serviceRow = new QFormLayout;
    serviceRow->addRow(tr("Address:"), m_serviceUrl);
    layout->addLayout(serviceRow);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setEnabled(false);
    layout->addWidget(buttons);

    (stored.kind == CodeGeneratorChoice::Kind::ModelServer        ? m_modelServer
     : stored.kind == CodeGeneratorChoice::Kind::OtherService     ? m_otherService
                                                                  : m_templates)
        ->setChecked(true);
    if (!m_otherService->isEnabled() && m_otherService->isChecked())
        m_templates->setChecked(true);
    followChoice();
    // Big enough for every note at its narrowest, in whichever language.
    setMinimumSize(sizeHint());

    for (QRadioButton *radio : {m_templates, m_modelServer, m_otherService})
        connect(radio, &QRadioButton::toggled, this, &CodeGeneratorDialog::followChoice);
    connect(refresh, &QPushButton::clicked, this, &CodeGeneratorDialog::askModelServer);
    connect(test, &QPushButton::clicked, this, &CodeGeneratorDialog::askModelServer);
    connect(m_probe, &ModelServerProbe::answered, this, &CodeGeneratorDialog::onModelServerAnswered);
    connect(buttons, &QDialogButtonBox::accepted, this, &CodeGeneratorDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CodeGeneratorDialog::reject);
    readSecrets(stored.modelBaseUrl);
}

void CodeGeneratorDialog::readSecrets(const QString &shownAddress)
{
    m_store.readLater(kApiKeyName, this, [this](const SecretStore::Result &key) {
        m_apiKey->setPlaceholderText(tr("optional"));
        if (m_apiKey->text().isEmpty())
            m_apiKey->setText(QString::fromUtf8(key.secret));
        if (!key.storeError.isEmpty()) {
            m_keyNotKept->show();
            growToFit();
        }
        secretRead();
    });
    m_store.readLater(kModelUserInfoName, this, [this, shownAddress](const SecretStore::Result &userInfo) {
        m_storedUserInfo = QString::fromUtf8(userInfo.secret);
        // A stored user and password stay hidden; the field shows where they are.
        QUrl address = QUrl::fromUserInput(shownAddress);
        if (!m_storedUserInfo.isEmpty() && address.isValid() && m_modelBaseUrl->text() == shownAddress) {
            address.setUserInfo(kHiddenUserInfo);
            m_modelBaseUrl->setText(address.toString());
        }
        secretRead();
    });
}

void CodeGeneratorDialog::secretRead()
{
    m_ok->setEnabled(--m_pendingReads == 0);
}

ServiceBackend CodeGeneratorDialog::backend() const
{
    return ServiceBackend::of(choice(), apiKey());
}

CodeGeneratorChoice CodeGeneratorDialog::choice() const
{
    CodeGeneratorChoice choice;
    choice.made = true;
    choice.kind = m_modelServer->isChecked()    ? CodeGeneratorChoice::Kind::ModelServer
                  : m_otherService->isChecked() ? CodeGeneratorChoice::Kind::OtherService
                                                : CodeGeneratorChoice::Kind::Templates;
    choice.modelBaseUrl = modelAddress();
    choice.model = m_model->currentText().trimmed();
    // The administrator's address is shown, not chosen.
    choice.serviceUrl = m_otherService->isEnabled() ? m_serviceUrl->text().trimmed()
                                                    : CodeGeneratorChoice::load().serviceUrl;
    return choice;
}

QByteArray CodeGeneratorDialog::apiKey() const
{
    return m_apiKey->text().trimmed().toUtf8();
}

QString CodeGeneratorDialog::modelAddress() const
{
    // An empty field means the address it shows in grey.
    const QString typed = m_modelBaseUrl->text().trimmed().isEmpty() ? m_modelBaseUrl->placeholderText()
                                                                      : m_modelBaseUrl->text().trimmed();
    if (m_storedUserInfo.isEmpty() || userInfoOf(typed) != kHiddenUserInfo)
        return typed;
    QUrl address = QUrl::fromUserInput(typed);
    address.setUserInfo(m_storedUserInfo);
    return address.toString();
}

void CodeGeneratorDialog::accept()
{
    choice().save();
    QDialog::accept();
}

void CodeGeneratorDialog::showInUse(const QString &text)
{
    m_inUse->setText(text);
    m_inUse->show();
    growToFit();
}

void CodeGeneratorDialog::keepSecrets(const QObject *context, std::function<void(bool kept)> done) const
{
    saveSecrets(m_store, apiKey(), userInfoOf(choice().modelBaseUrl), context, std::move(done));
}

void CodeGeneratorDialog::askModelServer()
{
    showTestResult(tr("Asking %1…").arg(ModelAddress::shown(QUrl::fromUserInput(modelAddress()))));
    m_probe->ask(modelAddress(), apiKey());
}

void CodeGeneratorDialog::showTestResult(const QString &text)
{
    m_testResult->setText(text);
    growToFit();
}

// The dialog grows as far as a new text needs, never shrinks under the trader's hands.
void CodeGeneratorDialog::growToFit()
{
    // A row's new height reaches the dialog's layout now, not at the next layout request.
    m_modelFields->updateGeometry();
    layout()->activate();
    resize(size().expandedTo(sizeHint()));
}

void CodeGeneratorDialog::onModelServerAnswered(bool ok, const QStringList &models, const QString &text)
{
    showTestResult(text);
    if (!ok)
        return;
    const QString typed = m_model->currentText();
    m_model->clear();
    m_model->addItems(models);
    m_model->setEditText(typed.isEmpty() && !models.isEmpty() ? models.first() : typed);
}

void CodeGeneratorDialog::followChoice()
{
    m_modelFields->setEnabled(m_modelServer->isChecked());
    m_serviceUrl->setEnabled(m_otherService->isChecked());
}
