#include "catalogs/elementdialogs.h"

#include "app/forms.h"
#include "app/messages.h"
#include "app/named.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr Qt::WindowFlags SmallWindow = Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint;

QHBoxLayout *Row(std::initializer_list<QWidget *> widgets)
{
    auto *row = new QHBoxLayout;
    for (QWidget *widget : widgets)
        row->addWidget(widget);
    return row;
}

void ShowAtContentSize(QDialog *window)
{
    window->adjustSize();
    ShowCentred(window);
}
}

TForm15::TForm15(QWidget *parent)
    : QDialog(parent, SmallWindow | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form15"));
    setWindowTitle(QStringLiteral("Размеры"));
    SpinEdit1 = Named<QSpinBox>("SpinEdit1", this);
    SpinEdit1->setRange(DesignerRules::MinSize, DesignerRules::MaxWidth);
    SpinEdit1->setMinimumWidth(200);
    SpinEdit2 = Named<QSpinBox>("SpinEdit2", this);
    SpinEdit2->setRange(DesignerRules::MinSize, DesignerRules::MaxHeight);
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Закрыть окно"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Задайте ширину (в пикселах):"), this));
    layout->addWidget(SpinEdit1);
    layout->addWidget(new QLabel(QStringLiteral("Задайте высоту (в пикселах):"), this));
    layout->addWidget(SpinEdit2);
    layout->addWidget(Button1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TForm15::applyBoxes);
    connect(SpinEdit2, &QSpinBox::valueChanged, this, &TForm15::applyBoxes);
    connect(Button1, &QPushButton::clicked, this, &QDialog::close);
}

void TForm15::Open(QSize size, std::function<void(QSize)> apply)
{
    m_apply = std::move(apply);
    m_filling = true;
    SpinEdit1->setValue(size.width());
    SpinEdit2->setValue(size.height());
    m_filling = false;
    applyBoxes();
    ShowAtContentSize(this);
    SpinEdit1->setFocus();
    SpinEdit1->selectAll();
}

void TForm15::applyBoxes()
{
    if (!m_filling && m_apply)
        m_apply(QSize(SpinEdit1->value(), SpinEdit2->value()));
}

TForm16::TForm16(QWidget *parent)
    : QDialog(parent, SmallWindow | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QStringLiteral("Текст надписи"));
    Edit1 = Named<QLineEdit>("Edit1", this);
    Edit1->setMinimumWidth(280);
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Готово"), this);
    Button2 = Named<QPushButton>("Button2", QStringLiteral("Отмена"), this);
    Button1->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Введите текст надписи:"), this));
    layout->addWidget(Edit1);
    layout->addLayout(Row({Button1, Button2}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button1, &QPushButton::clicked, this, &TForm16::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::close);
}

void TForm16::Open(const QString &text, std::function<void(const QString &)> apply)
{
    m_apply = std::move(apply);
    Edit1->setText(text);
    ShowAtContentSize(this);
    Edit1->setFocus();
    Edit1->selectAll();
}

void TForm16::Button1Click()
{
    const QString text = Edit1->text();
    // The layout text has no escaping: such a line would end its section when the catalog is read.
    if (Layout::IsMarker(text)) {
        ShowMessage(QStringLiteral("Текст надписи не может совпадать со служебной строкой описания каталога «%1»!")
                        .arg(text),
                    this);
        return;
    }
    if (m_apply)
        m_apply(text);
    close();
}

TForm20::TForm20(QWidget *parent)
    : QDialog(parent, SmallWindow)
{
    setObjectName(QStringLiteral("Form20"));
    setWindowTitle(QStringLiteral("Параметры рамки"));
    auto *group = Named<QGroupBox>("RadioGroup", QStringLiteral(" Тип рамки "), this);
    RadioFrame = Named<QRadioButton>("RadioFrame", QStringLiteral("Рамка"), group);
    RadioHorizontal = Named<QRadioButton>("RadioHorizontal", QStringLiteral("Горизонтальная линия"), group);
    RadioVertical = Named<QRadioButton>("RadioVertical", QStringLiteral("Вертикальная линия"), group);
    auto *choices = new QVBoxLayout(group);
    for (QRadioButton *choice : {RadioFrame, RadioHorizontal, RadioVertical})
        choices->addWidget(choice);
    SpinEdit1 = Named<QSpinBox>("SpinEdit1", this);
    SpinEdit1->setRange(1, DesignerRules::MaxPenWidth);
    Button1 = Named<QPushButton>("Button1", QStringLiteral("Готово"), this);
    Button2 = Named<QPushButton>("Button2", QStringLiteral("Отмена"), this);
    Button1->setDefault(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(new QLabel(QStringLiteral("Толщина линии рамки:"), this));
    layout->addWidget(SpinEdit1);
    layout->addLayout(Row({Button1, Button2}));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(Button1, &QPushButton::clicked, this, &TForm20::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::close);
}

void TForm20::Open(int penWidth, QSize size, std::function<void(int, DesignerRules::FrameType)> apply)
{
    m_apply = std::move(apply);
    SpinEdit1->setValue(penWidth);
    switch (DesignerRules::FrameTypeOf(penWidth, size)) {
    case DesignerRules::FrameType::HorizontalLine: RadioHorizontal->setChecked(true); break;
    case DesignerRules::FrameType::VerticalLine: RadioVertical->setChecked(true); break;
    case DesignerRules::FrameType::Rectangle: RadioFrame->setChecked(true); break;
    }
    ShowAtContentSize(this);
}

DesignerRules::FrameType TForm20::chosenType() const
{
    if (RadioHorizontal->isChecked())
        return DesignerRules::FrameType::HorizontalLine;
    if (RadioVertical->isChecked())
        return DesignerRules::FrameType::VerticalLine;
    return DesignerRules::FrameType::Rectangle;
}

void TForm20::Button1Click()
{
    if (m_apply)
        m_apply(SpinEdit1->value(), chosenType());
    close();
}

bool ChooseElementFont(QWidget *parent, QFont &font, Layout::Color &colour)
{
    QFontDialog dialog(font, parent);
    dialog.setObjectName(QStringLiteral("FontDialog"));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    KeepAboveWindowsOnTop(&dialog);
    Layout::Color chosenColour = colour;
    // Qt's font dialog has no colour of its own: a button beside OK chooses the font colour.
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>()) {
        QPushButton *colourButton = buttons->addButton(QStringLiteral("Цвет шрифта..."), QDialogButtonBox::ActionRole);
        QObject::connect(colourButton, &QPushButton::clicked, &dialog, [&dialog, &chosenColour] {
            if (const std::optional<Layout::Color> picked = ChooseElementColor(&dialog, chosenColour, QPalette::WindowText))
                chosenColour = *picked;
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = dialog.selectedFont();
    colour = chosenColour;
    return true;
}

std::optional<Layout::Color> ChooseElementColor(QWidget *parent, Layout::Color start, QPalette::ColorRole defaultRole)
{
    QColorDialog dialog(Layout::ToQColor(start, defaultRole), parent);
    dialog.setObjectName(QStringLiteral("ColorDialog"));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    KeepAboveWindowsOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Layout::FromQColor(dialog.selectedColor());
}
