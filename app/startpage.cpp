#include "app/startpage.h"

#include "app/named.h"

#include <QCommandLinkButton>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

StartPage::StartPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("StartPage"));

    auto *title = new QLabel(QStringLiteral("Вирандел"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto *hint = new QLabel(QStringLiteral("Чтобы начать работу, создайте базу данных или откройте существующую."), this);
    hint->setWordWrap(true);

    NewDatabaseBtn = Named<QCommandLinkButton>("NewDatabaseBtn", QStringLiteral("Создать новую базу данных…"),
                                               QStringLiteral("Пустая база данных или копия одного из шаблонов"), this);
    OpenDatabaseBtn = Named<QCommandLinkButton>("OpenDatabaseBtn", QStringLiteral("Открыть базу данных…"),
                                                QStringLiteral("Файл базы данных (*.mdb) на диске"), this);
    ConnectServerBtn = Named<QCommandLinkButton>("ConnectServerBtn", QStringLiteral("Подключиться к серверу…"),
                                                 QStringLiteral("База данных на сервере, общая для нескольких пользователей"),
                                                 this);
    OpenExampleBtn = Named<QCommandLinkButton>("OpenExampleBtn", QStringLiteral("Открыть пример"),
                                               QStringLiteral("Новая база данных из шаблона «Пример»: классификатор "
                                                              "с единицами измерения, справочники и два десятка товаров "
                                                              "с фотографиями"),
                                               this);
    connect(NewDatabaseBtn, &QCommandLinkButton::clicked, this, &StartPage::newDatabaseRequested);
    connect(OpenDatabaseBtn, &QCommandLinkButton::clicked, this, &StartPage::openDatabaseRequested);
    connect(ConnectServerBtn, &QCommandLinkButton::clicked, this, &StartPage::connectServerRequested);
    connect(OpenExampleBtn, &QCommandLinkButton::clicked, this, &StartPage::openExampleRequested);

    m_recentTitle = new QLabel(QStringLiteral("Последние базы данных"), this);
    QFont sectionFont = m_recentTitle->font();
    sectionFont.setBold(true);
    m_recentTitle->setFont(sectionFont);
    m_recentList = new QVBoxLayout;
    m_recentList->setSpacing(0);

    auto *column = new QVBoxLayout;
    column->addWidget(title);
    column->addWidget(hint);
    column->addSpacing(16);
    column->addWidget(NewDatabaseBtn);
    column->addWidget(OpenDatabaseBtn);
    column->addWidget(ConnectServerBtn);
    column->addWidget(OpenExampleBtn);
    column->addSpacing(16);
    column->addWidget(m_recentTitle);
    column->addLayout(m_recentList);
    column->addStretch();

    auto *content = new QWidget(this);
    content->setLayout(column);
    content->setMaximumWidth(560);
    auto *centred = new QHBoxLayout(this);
    centred->addStretch();
    centred->addWidget(content, 1);
    centred->addStretch();
    showRecent({});
}

void StartPage::showRecent(const QStringList &paths)
{
    // Later: the list is rebuilt when opening a chosen file fails, inside that button's own click.
    for (QCommandLinkButton *button : std::as_const(m_recentButtons)) {
        button->hide();
        button->deleteLater();
    }
    m_recentButtons.clear();
    for (const QString &path : paths) {
        const QFileInfo file(path);
        if (!file.isFile())
            continue;
        auto *button = new QCommandLinkButton(file.fileName(), QDir::toNativeSeparators(file.absolutePath()), this);
        button->setIcon(QIcon());
        button->setToolTip(QDir::toNativeSeparators(file.absoluteFilePath()));
        connect(button, &QCommandLinkButton::clicked, this, [this, path] { Q_EMIT recentDatabaseChosen(path); });
        m_recentList->addWidget(button);
        m_recentButtons << button;
    }
    m_recentTitle->setVisible(!m_recentButtons.isEmpty());
}
