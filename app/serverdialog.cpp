#include "app/serverdialog.h"

#include "app/messages.h"
#include "app/named.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TServerDialog::TServerDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerDialog"));
    setWindowTitle(QStringLiteral("Подключение к серверу"));
    setWindowModality(Qt::ApplicationModal);
    // It blocks every window while open: none of those kept on top may cover it.
    setWindowFlag(Qt::WindowStaysOnTopHint);

    HostEdit = Named<QLineEdit>("HostEdit", this);
    PortEdit = Named<QSpinBox>("PortEdit", this);
    PortEdit->setRange(1, 65535);
    DatabaseEdit = Named<QLineEdit>("DatabaseEdit", this);
    UserEdit = Named<QLineEdit>("UserEdit", this);
    PasswordEdit = Named<QLineEdit>("PasswordEdit", this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setPlaceholderText(QStringLiteral("из файла паролей пользователя"));
    CreateBox = Named<QCheckBox>("CreateBox", QStringLiteral("Создать новую пустую базу данных"), this);
    ConnectBtn = Named<QPushButton>("ConnectBtn", QStringLiteral("Подключиться"), this);
    CancelBtn = Named<QPushButton>("CancelBtn", QStringLiteral("Отмена"), this);
    ConnectBtn->setDefault(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Сервер:"), HostEdit);
    form->addRow(QStringLiteral("Порт:"), PortEdit);
    m_databaseLabel = new QLabel(QStringLiteral("База данных:"), this);
    form->addRow(m_databaseLabel, DatabaseEdit);
    form->addRow(QStringLiteral("Пользователь:"), UserEdit);
    form->addRow(QStringLiteral("Пароль:"), PasswordEdit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ConnectBtn);
    buttons->addWidget(CancelBtn);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(CreateBox);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    connect(ConnectBtn, &QPushButton::clicked, this, &TServerDialog::ConnectBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TServerDialog::setMode(Mode mode)
{
    m_mode = mode;
    const bool connecting = mode == Mode::Connect;
    switch (mode) {
    case Mode::Connect:
        setWindowTitle(QStringLiteral("Подключение к серверу"));
        ConnectBtn->setText(QStringLiteral("Подключиться"));
        break;
    case Mode::NewDatabase:
        setWindowTitle(QStringLiteral("Выгрузка на сервер"));
        ConnectBtn->setText(QStringLiteral("Выгрузить"));
        break;
    case Mode::Create:
        setWindowTitle(QStringLiteral("Новая база данных на сервере"));
        ConnectBtn->setText(QStringLiteral("Создать"));
        break;
    }
    m_databaseLabel->setText(connecting ? QStringLiteral("База данных:") : QStringLiteral("Новая база данных:"));
    DatabaseEdit->setToolTip(connecting ? QString()
                                        : QStringLiteral("Строчные латинские буквы, цифры и знак \"_\"; "
                                                         "база данных с этим именем не должна существовать или должна быть пуста"));
    CreateBox->setVisible(connecting);
}

void TServerDialog::ShowConnection(const ServerConnection &server)
{
    HostEdit->setText(server.host);
    PortEdit->setValue(server.port);
    DatabaseEdit->setText(server.database);
    UserEdit->setText(server.user);
    PasswordEdit->clear();
    CreateBox->setChecked(false);
    (DatabaseEdit->text().isEmpty() ? DatabaseEdit : PasswordEdit)->setFocus();
}

ServerConnection TServerDialog::connection() const
{
    ServerConnection server;
    server.host = HostEdit->text().trimmed();
    server.port = PortEdit->value();
    server.database = DatabaseEdit->text().trimmed();
    server.user = UserEdit->text().trimmed();
    server.password = PasswordEdit->text();
    return server;
}

bool TServerDialog::createNew() const
{
    return CreateBox->isChecked();
}

void TServerDialog::ConnectBtnClick()
{
    const ServerConnection server = connection();
    if (server.host.isEmpty() || server.database.isEmpty() || server.user.isEmpty()) {
        ShowMessage(QStringLiteral("Укажите сервер, базу данных и пользователя!"), this);
        return;
    }
    Q_EMIT connectRequested();
}

void TServerDialog::FocusDatabaseName()
{
    DatabaseEdit->setFocus();
}
