#include "settings/form5.h"

#include "app/named.h"
#include "app/version.h"
#include "settings/product.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QSize PictureSize(180, 330);

const char *const Credits =
    "Вирандел — программа для описания объектов в базе данных. Классификатор, поля описания, справочники, "
    "заполнение и просмотр базы, электронные каталоги и шаблоны баз данных — всё через окна программы, "
    "без знания языка запросов.\n\n"
    "Разработка: команда проекта «Вирандел».\n\n"
    "Средства разработки: язык C++20, библиотека Qt 6 (Widgets, Sql, Network), встроенная база данных "
    "SQLite, библиотека libjpeg, система сборки CMake, тесты на GoogleTest.\n\n"
    "Благодарности: всем, кто проверял программу, присылал замечания и предложения и помогал сделать её "
    "удобнее, а также авторам свободных библиотек, на которых она построена.";

QLabel *linkLabel(const char *name, const QString &text, QWidget *parent)
{
    auto *label = Named<QLabel>(name, text, parent);
    label->setStyleSheet(QStringLiteral("QLabel { color: #6fb8ff; text-decoration: underline; }"
                                       " QLabel:focus { background: #1c3048; }"));
    label->setCursor(Qt::PointingHandCursor);
    label->setFocusPolicy(Qt::StrongFocus);   // reachable with Tab, opened with Enter or Space
    return label;
}
}

TForm5::TForm5(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setStyleSheet(QStringLiteral("TForm5 { background: black; } QLabel { color: white; }"));

    Image1 = Named<QLabel>("Image1", this);
    Image1->setFixedSize(PictureSize);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap(QStringLiteral(":/about.jpg")));

    Label1 = Named<QLabel>("Label1", ProgramTitle, this);
    Label1->setStyleSheet(QStringLiteral("font-size: 24pt; font-weight: bold;"));
    Label2 = Named<QLabel>("Label2", this);
    Label2->setStyleSheet(QStringLiteral("color: yellow; font-weight: bold;"));

    RichEdit = Named<QTextEdit>("RichEdit", this);
    RichEdit->setReadOnly(true);
    RichEdit->setPlainText(QString::fromUtf8(Credits));
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit->setStyleSheet(QStringLiteral("QTextEdit { background: #141414; color: #e0e0e0; border: 1px solid #505050; }"));

    auto *siteCaption = Named<QLabel>("Label4", QStringLiteral("Сайт разработчика:"), this);
    Label3 = linkLabel("Label3", ProductWebSite, this);
    auto *mailCaption = Named<QLabel>("Label5", QStringLiteral("Все замечания и предложения:"), this);
    Label6 = linkLabel("Label6", ProductMail, this);
    for (QLabel *link : {Label3, Label6})
        link->installEventFilter(this);

    auto *site = new QHBoxLayout;
    site->setSpacing(6);
    site->addWidget(siteCaption);
    site->addWidget(Label3);
    site->addStretch();
    auto *mail = new QHBoxLayout;
    mail->setSpacing(6);
    mail->addWidget(mailCaption);
    mail->addWidget(Label6);
    mail->addStretch();

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(16, 12, 16, 12);
    texts->addWidget(Label1);
    texts->addWidget(Label2);
    texts->addSpacing(6);
    texts->addWidget(RichEdit, 1);
    texts->addSpacing(6);
    texts->addLayout(site);
    texts->addLayout(mail);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Image1);
    layout->addLayout(texts, 1);
    setFixedSize(PictureSize.width() + 440, PictureSize.height());
}

void TForm5::FormShow()
{
    Label2->setText(QStringLiteral("Версия ") + VersionText);
}

void TForm5::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm5::Label3Click()
{
    QDesktopServices::openUrl(QUrl::fromUserInput(ProductWebSite));
}

void TForm5::Label6Click()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + ProductMail));
}

bool TForm5::eventFilter(QObject *watched, QEvent *event)
{
    const bool clicked = event->type() == QEvent::MouseButtonRelease
                         && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    const bool pressed = event->type() == QEvent::KeyPress
                         && (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Return
                             || static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter
                             || static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space);
    if (clicked || pressed) {
        if (watched == Label3)
            Label3Click();
        else if (watched == Label6)
            Label6Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
