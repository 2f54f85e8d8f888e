// The designer's layout panel: placing, dragging and changing elements, and the elements of a layout.
#include "catalogs/form11.h"
#include "objects/objectgridmodel.h"

#include "app/filedialogs.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "catalogs/catalogforms.h"
#include "catalogs/designerrules.h"
#include "catalogs/elementdialogs.h"
#include "catalogs/elementwidgets.h"
#include "core/dmodule.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFrame>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

namespace {
const QString PictureDialogTitle = QStringLiteral("Открытие изображения");

QMenu *NewMenu(QWidget *parent, const char *name)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QString PictureFailure(const QString &path)
{
    return QStringLiteral("Не удалось прочитать изображение из файла %1").arg(path);
}
}

void TForm11::buildPopupMenus()
{
    const auto item = [this](QMenu *menu, const QString &caption, void (TForm11::*slot)()) {
        QAction *action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    const QString font = QStringLiteral("Изменить шрифт"), colour = QStringLiteral("Изменить цвет"),
                  size = QStringLiteral("Изменить размеры"), deleteLabel = QStringLiteral("Удалить надпись"),
                  deleteImage = QStringLiteral("Удалить изображение");
    LabelMenu = NewMenu(this, "LabelMenu");
    item(LabelMenu, font, &TForm11::ChangeFontClick);
    item(LabelMenu, deleteLabel, &TForm11::DeleteElementClick);
    TextLabelMenu = NewMenu(this, "TextLabelMenu");
    item(TextLabelMenu, QStringLiteral("Изменить текст"), &TForm11::ChangeTextClick);
    item(TextLabelMenu, font, &TForm11::ChangeFontClick);
    item(TextLabelMenu, deleteLabel, &TForm11::DeleteElementClick);
    MemoMenu = NewMenu(this, "MemoMenu");
    item(MemoMenu, font, &TForm11::ChangeFontClick);
    item(MemoMenu, colour, &TForm11::ChangeColorClick);
    item(MemoMenu, size, &TForm11::ChangeSizeClick);
    item(MemoMenu, QStringLiteral("Удалить текстовое поле"), &TForm11::DeleteElementClick);
    ImageMenu = NewMenu(this, "ImageMenu");
    item(ImageMenu, size, &TForm11::ChangeSizeClick);
    item(ImageMenu, deleteImage, &TForm11::DeleteElementClick);
    TextImageMenu = NewMenu(this, "TextImageMenu");
    item(TextImageMenu, QStringLiteral("Загрузить другое изображение"), &TForm11::LoadOtherImageClick);
    item(TextImageMenu, size, &TForm11::ChangeSizeClick);
    item(TextImageMenu, deleteImage, &TForm11::DeleteElementClick);
    ShapeMenu = NewMenu(this, "ShapeMenu");
    item(ShapeMenu, colour, &TForm11::ChangeColorClick);
    item(ShapeMenu, QStringLiteral("Параметры рамки"), &TForm11::FrameParametersClick);
    item(ShapeMenu, size, &TForm11::ChangeSizeClick);
    item(ShapeMenu, QStringLiteral("Удалить рамку"), &TForm11::DeleteElementClick);
    PanelMenu = NewMenu(this, "PanelMenu");
    item(PanelMenu, QStringLiteral("Задать фоновый рисунок"), &TForm11::SetBackgroundClick);
    DeleteBackgroundItem = item(PanelMenu, QStringLiteral("Удалить фоновый рисунок"), &TForm11::DeleteBackgroundClick);
    DeleteBackgroundItem->setObjectName(QStringLiteral("DeleteBackgroundItem"));
    DeleteBackgroundItem->setEnabled(false);
    DBGridMenu = NewMenu(this, "DBGridMenu");
    item(DBGridMenu, QStringLiteral("Настройка столбцов"), &TForm11::ColumnsClick);
}

QMenu *TForm11::PopupMenuFor(QWidget *element)
{
    m_popupComponent = element;
    if (auto *label = qobject_cast<LabelElement *>(element))
        return label->isFieldBound() ? LabelMenu : TextLabelMenu;
    if (qobject_cast<BoxElement *>(element))
        return MemoMenu;
    if (auto *picture = qobject_cast<PictureElement *>(element))
        return picture->fieldName().isEmpty() ? TextImageMenu : ImageMenu;
    if (qobject_cast<FrameElement *>(element))
        return ShapeMenu;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Placing

void TForm11::BackgroundMouseMove(const QPoint &position)
{
    m_backgroundPoint = position;
}

void TForm11::BackgroundClick()
{
    const int pressed = Form12->PressedButton();
    const QPoint at = m_backgroundPoint;
    QWidget *placed = nullptr;
    if (pressed >= TForm12::FirstFieldButton) {
        std::optional<DesignerRules::PlacedField> field;
        if (!Guarded([&] { field = DesignerRules::FieldToPlace(*DModule, Form12->PressedCaption()); }))
            return;
        if (field) {
            Layout::FieldMemo memo;
            Layout::FieldImage image;
            switch (field->element) {
            case DesignerRules::FieldElement::Image:
                image.fieldName = field->name;
                image.left = at.x();
                image.top = at.y();
                Images << PictureElement::fieldImage(image, Panel);
                placed = Images.last();
                break;
            case DesignerRules::FieldElement::Memo:
                memo.text = field->name;
                memo.left = at.x();
                memo.top = at.y();
                Memos << BoxElement::memo(memo, true, Panel);
                placed = Memos.last();
                break;
            case DesignerRules::FieldElement::Label:
                Labels << new LabelElement({field->name, Layout::Colors::WindowText, Layout::DefaultFontSize,
                                            Layout::DefaultFontName, at.x(), at.y()},
                                           true, true, Panel);
                placed = Labels.last();
                break;
            }
        }
    } else if (pressed == TForm12::TextLabelButton) {
        TextLabels << new LabelElement({QStringLiteral("%Текстовая надпись%"), Layout::Colors::WindowText,
                                        Layout::DefaultFontSize, Layout::DefaultFontName, at.x(), at.y()},
                                       false, true, Panel);
        placed = TextLabels.last();
    } else if (pressed == TForm12::TextImageButton) {
        const QString path = choosePicture();
        if (!path.isEmpty()) {
            Layout::TextImage record;
            record.left = at.x();
            record.top = at.y();
            auto *image = PictureElement::textImage(record, Panel);
            if (image->setPictureData(CatalogStore::ReadPicture(path))) {
                TextImages << image;
                placed = image;
            } else {
                delete image;
                ShowGeneralError(PictureFailure(path));
            }
        }
    } else if (pressed == TForm12::FrameButton) {
        Layout::Frame frame;
        frame.left = at.x();
        frame.top = at.y();
        Shapes << new FrameElement(frame, Panel);
        placed = Shapes.last();
    } else if (pressed == TForm12::ReferenceListButton) {
        Layout::ReferenceList list;
        list.left = at.x();
        list.top = at.y();
        GroupBoxes << BoxElement::referenceList(list, false, Panel);
        placed = GroupBoxes.last();
    }
    if (placed)
        adopt(placed);
    Form12->PressNothing();
}

QString TForm11::choosePicture()
{
    return ChooseFileToOpen(this, {"OpenPictureDialog", PictureDialogTitle,
                                   {QStringLiteral("Изображения JPEG (*.jpg *.jpeg)")}, QString()});
}

void TForm11::adopt(QWidget *element)
{
    element->installEventFilter(this);
    if (auto *box = qobject_cast<BoxElement *>(element)) {
        // The designer's text boxes are moved, not edited or selected in.
        box->setTextInteractionFlags(Qt::NoTextInteraction);
        box->viewport()->installEventFilter(this);
        box->viewport()->setCursor(Qt::ArrowCursor);
    }
    element->setMouseTracking(true);
    element->show();
    element->raise();
}

// ---------------------------------------------------------------------------------------------------
// Dragging and pop-up menus

QWidget *TForm11::elementOf(QObject *watched) const
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget == Background)
        return nullptr;
    if (widget->parentWidget() == Panel)
        return widget;
    // The viewport of a text box.
    QWidget *parent = widget->parentWidget();
    return parent && parent->parentWidget() == Panel ? parent : nullptr;
}

bool TForm11::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Background) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress) {
            BackgroundMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
        } else if (event->type() == QEvent::MouseButtonRelease) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && Background->rect().contains(mouse->position().toPoint()))
                BackgroundClick();
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if (QWidget *element = elementOf(watched))
        return handleElementEvent(element, watched, event);
    return QMainWindow::eventFilter(watched, event);
}

bool TForm11::handleElementEvent(QWidget *element, QObject *watched, QEvent *event)
{
    auto *source = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        ComponentMouseMove(source->mapTo(element, mouse->position().toPoint()));
        m_pressPoint = mouse->globalPosition().toPoint();
        m_pressed = true;
        m_dragging = false;
        return true;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_pressed || !(mouse->buttons() & Qt::LeftButton)) {
            ComponentMouseMove(source->mapTo(element, mouse->position().toPoint()));
            return false;
        }
        const QPoint global = mouse->globalPosition().toPoint();
        if (!m_dragging && (global - m_pressPoint).manhattanLength() >= QApplication::startDragDistance())
            m_dragging = true;
        if (m_dragging)
            element->move(Panel->mapFromGlobal(global) - m_grab);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (m_pressed && m_dragging)
            ComponentDock(element, mouse->globalPosition().toPoint());
        m_pressed = m_dragging = false;
        return true;
    }
    case QEvent::MouseButtonDblClick:
        return true;
    case QEvent::ContextMenu: {
        auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        if (auto *frame = qobject_cast<FrameElement *>(element))
            ShapePopup(frame, source->mapTo(element, menuEvent->pos()));
        else if (QMenu *menu = PopupMenuFor(element))
            menu->popup(menuEvent->globalPos());
        return true;
    }
    default:
        return false;
    }
}

void TForm11::ComponentMouseMove(const QPoint &position)
{
    m_grab = position;
}

void TForm11::ComponentDock(QWidget *element, const QPoint &screenPoint)
{
    if (!element)
        return;
    if (element->parentWidget() != Panel)
        element->setParent(Panel);
    element->move(DesignerRules::DropPosition(Panel->mapFromGlobal(screenPoint), m_grab, Panel->size()));
    element->show();
}

void TForm11::ShapePopup(FrameElement *frame, const QPoint &position)
{
    PopupMenuFor(frame)->popup(frame->mapToGlobal(position));
}

// ---------------------------------------------------------------------------------------------------
// Pop-up items

void TForm11::ChangeFontClick()
{
    QWidget *element = m_popupComponent;
    if (auto *label = qobject_cast<LabelElement *>(element)) {
        QFont font = label->font();
        Layout::Color colour = label->fontColor();
        if (ChooseElementFont(this, font, colour))
            label->setLook(font, colour);
    } else if (auto *box = qobject_cast<BoxElement *>(element)) {
        QFont font = box->font();
        Layout::Color colour = box->fontColor();
        if (ChooseElementFont(this, font, colour))
            box->setLook(font, colour);
    }
}

void TForm11::ChangeColorClick()
{
    QWidget *element = m_popupComponent;
    if (auto *box = qobject_cast<BoxElement *>(element)) {
        if (const auto colour = ChooseElementColor(this, box->background(), QPalette::Base))
            box->setBackground(*colour);
    } else if (auto *frame = qobject_cast<FrameElement *>(element)) {
        if (const auto colour = ChooseElementColor(this, frame->penColor(), QPalette::WindowText))
            frame->setPen(*colour, frame->penWidth());
    }
}

void TForm11::ChangeSizeClick()
{
    QPointer<QWidget> target = m_popupComponent;
    if (!target)
        return;
    Form15->Open(target->size(), [target](QSize size) {
        if (target)
            target->resize(size);
    });
}

void TForm11::ChangeTextClick()
{
    QPointer<LabelElement> target = qobject_cast<LabelElement *>(m_popupComponent);
    if (!target)
        return;
    Form16->Open(target->text(), [target](const QString &text) {
        if (target)
            target->setShownText(text);
    });
}

void TForm11::FrameParametersClick()
{
    QPointer<FrameElement> target = qobject_cast<FrameElement *>(m_popupComponent);
    if (!target)
        return;
    Form20->Open(target->penWidth(), target->size(), [target](int penWidth, DesignerRules::FrameType type) {
        if (!target)
            return;
        target->setPen(target->penColor(), penWidth);
        target->resize(DesignerRules::FrameSizeFor(type, penWidth, target->size()));
    });
}

void TForm11::LoadOtherImageClick()
{
    QPointer<PictureElement> target = qobject_cast<PictureElement *>(m_popupComponent);
    if (!target)
        return;
    const QString path = choosePicture();
    if (path.isEmpty() || !target)
        return;
    const QByteArray previous = target->pictureData();
    if (!target->setPictureData(CatalogStore::ReadPicture(path))) {
        target->setPictureData(previous);
        ShowGeneralError(PictureFailure(path));
    }
}

void TForm11::DeleteElementClick()
{
    if (m_popupComponent)
        m_popupComponent->hide();
}

void TForm11::SetBackgroundClick()
{
    const QString path = choosePicture();
    if (path.isEmpty())
        return;
    const QByteArray previous = Background->pictureData();
    if (Background->setPictureData(CatalogStore::ReadPicture(path))) {
        DeleteBackgroundItem->setEnabled(true);
    } else {
        Background->setPictureData(previous);
        ShowGeneralError(PictureFailure(path));
    }
}

void TForm11::DeleteBackgroundClick()
{
    Background->clearPicture();
    DeleteBackgroundItem->setEnabled(false);
}

void TForm11::ColumnsClick()
{
    Form17->LoadFields();
    ShowCentred(Form17);
}

// ---------------------------------------------------------------------------------------------------
// The layout of the elements

Layout::Catalog TForm11::currentLayout(CatalogStore::Pictures *pictures) const
{
    Layout::Catalog layout;
    if (Background->hasPicture()) {
        layout.backgroundFile = Layout::BackgroundFile;
        if (pictures)
            pictures->background = Background->pictureData();
    }
    for (int column = 0; column < gridColumns().count(); ++column)
        layout.columns << gridColumns().isVisible(column);
    // A deleted element is hidden, whether or not the window is on screen.
    for (const LabelElement *label : Labels)
        if (!label->isHidden())
            layout.fieldLabels << label->record();
    for (const LabelElement *label : TextLabels)
        if (!label->isHidden())
            layout.textLabels << label->record();
    for (const BoxElement *memo : Memos)
        if (!memo->isHidden())
            layout.memos << memo->memoRecord();
    for (const PictureElement *image : Images)
        if (!image->isHidden())
            layout.fieldImages << image->fieldImageRecord();
    for (const PictureElement *image : TextImages) {
        if (image->isHidden())
            continue;
        layout.textImages << image->textImageRecord();
        if (pictures)
            pictures->textImages << image->pictureData();
    }
    for (const FrameElement *frame : Shapes)
        if (!frame->isHidden())
            layout.frames << frame->record();
    for (const BoxElement *list : GroupBoxes)
        if (!list->isHidden())
            layout.referenceLists << list->listRecord();
    return layout;
}

void TForm11::createElements(const Layout::Catalog &layout, const CatalogStore::Pictures &stored)
{
    const Built built = buildElements(layout, Panel, DBGrid, Background, stored.background, stored.textImages, true);
    if (!layout.backgroundFile.isEmpty()) {
        if (built.backgroundMissing)
            ShowMessage(QStringLiteral("Файл фонового изображения не найден!"), this);
        else
            DeleteBackgroundItem->setEnabled(true);
    }
    for (int k : built.missingTextImages)
        ShowMessage(QStringLiteral("Файл изображения %1 не найден!").arg(Layout::TextImageFile(k)), this);
    for (QWidget *element : Panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (element != Background)
            adopt(element);
    }
}
