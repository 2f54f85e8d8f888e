#include "catalogs/form12.h"

#include "catalogs/layouttext.h"
#include "core/dmodule.h"
#include "objects/objectlist.h"

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int PaletteWidth = 226;
}

TForm12::TForm12(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("Панель компонентов"));
    // The small font of the designer's panel, so the longer captions fit their 200-pixel buttons.
    QFont small = font();
    small.setPointSize(Layout::DefaultFontSize);
    setFont(small);
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);
}

void TForm12::FillForm()
{
    const QList<DescriptionField> fields = ReadDescriptionFields(*DModule);

    delete m_scroll->takeWidget();
    m_buttons.clear();
    m_content = new QWidget;
    m_group = new QButtonGroup(m_content);
    m_group->setExclusive(true);

    auto *hint = new QLabel(QStringLiteral("Добавление элемента на макет:\n выберите нужный элемент на панели\n"
                                           "      и кликните в пустом месте макета"),
                            m_content);
    hint->move(10, 16);
    hint->adjustSize();

    const auto addButton = [this](const QString &caption, int top) {
        auto *button = new QPushButton(caption, m_content);
        button->setCheckable(true);
        button->setGeometry(10, top, 200, 24);
        button->setToolTip(caption);
        m_group->addButton(button, int(m_buttons.size()));
        m_buttons << button;
    };
    addButton(QStringLiteral("Добавляемый элемент не выбран"), 64);
    addButton(QStringLiteral("Добавить свою надпись"), 94);
    addButton(QStringLiteral("Добавить свое изображение"), 120);
    addButton(QStringLiteral("Добавить рамку или линию"), 146);
    addButton(QStringLiteral("Добавить ссылки на справочники"), 172);
    int nextTop = 202;
    for (const DescriptionField &field : fields) {
        addButton(field.name, nextTop);
        nextTop += 24;
    }
    const int contentHeight = nextTop + 48;
    m_content->setFixedSize(qMax(PaletteWidth - 16, hint->x() + hint->width() + 4), contentHeight);
    m_scroll->setWidget(m_content);

    QScreen *screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    const QSize monitor = screen ? screen->size() : QSize(1024, 768);
    setMinimumWidth(PaletteWidth);
    setMaximumWidth(PaletteWidth + 16);
    setMaximumHeight(contentHeight);
    // A long field list scrolls rather than running off the screen.
    const int height = qMin(contentHeight, int(monitor.height() * 0.9));
    // Wider, up to its maximum, when the hint does not fit.
    const int width = qBound(PaletteWidth, m_content->width(), PaletteWidth + 16);
    setGeometry(monitor.width() - width - 16, 64, width, height);
    PressNothing();
}

void TForm12::PressNothing()
{
    if (!m_buttons.isEmpty())
        m_buttons.first()->setChecked(true);
}

int TForm12::PressedButton() const
{
    return m_group ? m_group->checkedId() : NothingButton;
}

QString TForm12::PressedCaption() const
{
    const int pressed = PressedButton();
    return pressed >= 0 && pressed < m_buttons.size() ? m_buttons[pressed]->text() : QString();
}
