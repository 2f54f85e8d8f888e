#include "objects/form7.h"

#include "app/filedialogs.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/pictureviewer.h"
#include "app/progress.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "fields/picturefiles.h"
#include "objects/fieldeditor.h"
#include "objects/form2.h"
#include "objects/form8.h"
#include "objects/listfollower.h"
#include "objects/objecthistory.h"
#include "objects/objectlist.h"
#include "objects/paramspanel.h"
#include "settings/form6.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>

TForm7::TForm7(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Добавление объекта"));
    setSizeGripEnabled(true);
    GroupBox1 = new QGroupBox(QStringLiteral(" Заполните поля описания "), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *inputsArea = new QScrollArea(GroupBox1);
    inputsArea->setObjectName(QStringLiteral("InputsArea"));
    inputsArea->setFrameShape(QFrame::NoFrame);
    inputsArea->setWidgetResizable(true);
    // The inputs take the width of the window; only many fields make the column scroll.
    inputsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_inputsPanel = new QWidget;
    auto *inputsLayout = new QVBoxLayout(m_inputsPanel);
    inputsLayout->setContentsMargins(10, 8, 10, 8);
    inputsLayout->setSpacing(2);
    inputsLayout->addStretch(1);
    inputsArea->setWidget(m_inputsPanel);
    auto *groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->setContentsMargins(0, 0, 0, 0);
    groupLayout->addWidget(inputsArea);
    paramsPanel = new ParamsPanel(this);
    OkButton = new QPushButton(QStringLiteral("Добавить объект"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setAutoDefault(false);
    CancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setAutoDefault(false);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setHorizontalSpacing(16);
    layout->addWidget(GroupBox1, 0, 0);
    layout->addWidget(paramsPanel, 0, 1);
    layout->addWidget(OkButton, 1, 0);
    layout->addWidget(CancelButton, 1, 1);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);
    layout->setRowStretch(0, 1);
    connect(OkButton, &QPushButton::clicked, this, &TForm7::OkBtnClick);
    connect(CancelButton, &QPushButton::clicked, this, &TForm7::CancelBtnClick);
    FormCreate();
}

void TForm7::FormCreate()
{
    clearGenerated();
}

void TForm7::clearGenerated()
{
    // Everything of the last opening goes, the spacing between the inputs included.
    QLayout *inputsLayout = m_inputsPanel->layout();
    while (QLayoutItem *item = inputsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    static_cast<QVBoxLayout *>(inputsLayout)->addStretch(1);
    m_labels.clear();
    m_inputs.clear();
    m_notes.clear();
    m_opened.clear();
    m_fields.clear();
}

void TForm7::addFieldControls(const DescriptionField &field)
{
    const FieldKind kind = field.kind();
    auto *label = new QLabel(kind == FieldKind::Image ? QStringLiteral("Для выбора \"%1\" нажмите ниже:").arg(field.name)
                                                      : QStringLiteral("Введите \"%1\":").arg(field.name),
                             m_inputsPanel);
    label->setWordWrap(true);
    QWidget *input = FieldEditor::CreateInput(field, m_inputsPanel);
    label->setBuddy(input);
    auto *note = new QLabel(m_inputsPanel);
    note->setObjectName(QStringLiteral("InputNote"));
    note->setWordWrap(true);
    note->hide();
    if (kind == FieldKind::Image) {
        auto *picture = static_cast<PictureBox *>(input);
        connect(picture, &PictureBox::clicked, this, &TForm7::ImageClick);
        connect(picture, &PictureBox::doubleClicked, this, [this, picture] { ShowPictureDialog(picture->bytes, this); });
    }
    auto *layout = static_cast<QVBoxLayout *>(m_inputsPanel->layout());
    // Before the closing stretch.
    const int at = layout->count() - 1;
    layout->insertWidget(at, label);
    layout->insertWidget(at + 1, input, 0, kind == FieldKind::Image ? Qt::AlignLeft : Qt::Alignment());
    layout->insertWidget(at + 2, note);
    layout->insertSpacing(at + 3, 8);
    const int index = int(m_inputs.size());
    FieldEditor::OnChange(input, this, [this, index] { showNote(index); });
    m_labels << label;
    m_inputs << input;
    m_notes << note;
}

void TForm7::showNote(int fieldIndex)
{
    QLabel *note = m_notes.value(fieldIndex);
    if (!note)
        return;
    const FieldEditor::Note said = FieldEditor::NoteFor(m_fields[fieldIndex], FieldEditor::Read(m_inputs[fieldIndex], m_fields[fieldIndex]).value);
    note->setText(said.text);
    note->setStyleSheet(said.problem ? QStringLiteral("color: #b00000;") : QStringLiteral("color: #505050;"));
    note->setVisible(!said.text.isEmpty());
}

void TForm7::showStoredObject()
{
    const qint64 id = ObjectId.toLongLong();
    // The state is read before the values shown: a change landing between the two reads is shown and
    // taken for a change at saving, never missed.
    m_asRead = ReadObjectState(*DModule, id, m_fields);
    if (!m_asRead)
        throw ObjectChangedElsewhere(ObjectChangedElsewhere::Deleted, QStringLiteral("Объект удалён другим пользователем."));
    SharedQuery row(QStringLiteral("EditedObject"), DModule);
    // The list's row, as the list shows it, when a damaged lookup value keeps the object out of the join.
    const SharedQuery &shown = OpenObjectRow(row, id, m_fields) ? row : *DModule->QRGeneral;
    for (int i = 0; i < m_fields.size(); ++i) {
        FieldEditor::ShowStored(m_inputs[i], m_fields[i], shown);
        if (auto *picture = qobject_cast<PictureBox *>(m_inputs[i]))
            picture->chosen = false;
    }
}

void TForm7::rememberOpened()
{
    m_opened.clear();
    for (int i = 0; i < m_fields.size(); ++i) {
        m_opened << FieldEditor::Read(m_inputs[i], m_fields[i]).value;
        showNote(i);
    }
}

void TForm7::GenForm()
{
    clearGenerated();
    m_fields = ReadDescriptionFields(*DModule);
    for (const DescriptionField &field : std::as_const(m_fields))
        addFieldControls(field);

    m_asRead.reset();
    m_openedImage.reset();
    if (EditMode) {
        ObjectId = QString::number(DModule->QRGeneral->asInteger(QStringLiteral("G_ID")));
        try {
            showStoredObject();
            m_openedImage = ReadObjectImage(*DModule, ObjectId.toLongLong());
        } catch (const ObjectChangedElsewhere &) {
            // The list behind stops showing it.
            ObjectList::Of(*DModule).reopenKeepingCurrent();
            throw;
        }
    } else {
        ObjectId = QString::number(ReserveObjectId(*DModule));
    }
    rememberOpened();
    paramsPanel->fill(ObjectId, EditMode ? LinkedObject::Stored : LinkedObject::Reserved);

    OkButton->setText(EditMode ? QStringLiteral("Изменить объект") : QStringLiteral("Добавить объект"));
    layOut();
    GroupBox1->findChild<QScrollArea *>()->verticalScrollBar()->setValue(0);
    if (!m_inputs.isEmpty())
        m_inputs.first()->setFocus(Qt::OtherFocusReason);
}

void TForm7::layOut()
{
    // As tall as the inputs need up to the screen's height, then the inputs scroll inside the group,
    // so the buttons stay in reach; the size the user chose last is kept.
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    setMinimumSize(640, 480);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSize wanted = m_chosenSize;
    if (!wanted.isValid()) {
        const int content = m_inputsPanel->sizeHint().height() + OkButton->sizeHint().height() + 64;
        wanted = QSize(720, qMax(content, 480));
    }
    resize(qMin(wanted.width(), available.width()), qMin(wanted.height(), available.height() - 40));
}

void TForm7::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The inputs' column is measured now, so that it scrolls from the first moment.
    m_inputsPanel->layout()->activate();
    layout()->activate();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

void TForm7::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TForm7::FormResize()
{
    // The window's layout places the group, the parameters and the buttons; the user's size is kept.
    if (isVisible())
        m_chosenSize = size();
}

bool TForm7::hasChanges() const
{
    for (int i = 0; i < m_fields.size() && i < m_opened.size(); ++i) {
        if (!FieldEditor::SameValue(m_fields[i], FieldEditor::Read(m_inputs[i], m_fields[i]).value, m_opened[i]))
            return true;
    }
    return false;
}

QList<FieldInput> TForm7::readInputs() const
{
    QList<FieldInput> inputs;
    for (int i = 0; i < m_fields.size(); ++i)
        inputs << FieldEditor::Read(m_inputs[i], m_fields[i]);
    return inputs;
}

bool TForm7::missingValue(const QList<FieldInput> &inputs)
{
    const int missing = FirstMissingField(inputs);
    if (missing < 0)
        return false;
    ShowMessage(QStringLiteral("Заполните все поля!") + MessageLineBreak
                    + QStringLiteral("(Изображение и длинный текст не обязательны для заполнения)"),
                this);
    // The message names no field: the cursor waits in the first one to fill, scrolled into view.
    if (QWidget *input = m_inputs.value(missing)) {
        input->setFocus(Qt::OtherFocusReason);
        if (auto *area = findChild<QScrollArea *>())
            area->ensureWidgetVisible(input);
    }
    return true;
}

void TForm7::OkBtnClick()
{
    if (EditMode)
        EditRecord();
    else
        AddRecord();
}

QList<FieldInput> TForm7::inputsToStore(bool *ok)
{
    *ok = false;
    const QList<FieldInput> all = readInputs();
    if (missingValue(all))
        return {};
    QList<FieldInput> chosen;
    for (int i = 0; i < all.size(); ++i) {
        FieldInput input = all[i];
        // A value the user did not change is left as it is stored, whatever the input could show of it.
        if (EditMode && !input.pictureChosen && i < m_opened.size() && FieldEditor::SameValue(input.field, input.value, m_opened[i]))
            continue;
        const FieldKind kind = input.field.kind();
        if ((kind == FieldKind::String || kind == FieldKind::Lookup) && TextLength(input.value.toString()) > StringLengthLimit) {
            if (!AskYesNo(TooLongText(input.field, input.value.toString()) + QStringLiteral(".") + MessageLineBreak
                              + QStringLiteral("Сократить его до %1 символов?").arg(StringLengthLimit),
                          this)) {
                m_inputs[i]->setFocus(Qt::OtherFocusReason);
                return {};
            }
            const QString shortened = ShortenedText(input.value.toString());
            if (auto *edit = qobject_cast<QLineEdit *>(m_inputs[i]))
                edit->setText(shortened);
            else if (auto *box = qobject_cast<QComboBox *>(m_inputs[i]))
                box->setEditText(shortened);
            input.value = shortened;
        }
        if (kind != FieldKind::Lookup) {
            try {
                StoredValue(input.field, input.value, input.pictureChosen);
            } catch (const DbError &error) {
                ShowMessage(error.message(), this);
                m_inputs[i]->setFocus(Qt::OtherFocusReason);
                return {};
            }
        }
        chosen << input;
    }
    *ok = true;
    return chosen;
}

void TForm7::AddRecord()
{
    bool ok = false;
    const QList<FieldInput> inputs = inputsToStore(&ok);
    if (!ok)
        return;
    Guarded([&] {
        const qint64 id = ObjectId.toLongLong();
        InsertObject(*DModule, id, inputs);
        if (const std::optional<ObjectImage> added = ReadObjectImage(*DModule, id))
            ObjectHistory::Of(*DModule).recordAdded(*added);
        ObjectList::Of(*DModule).open();
        m_closingChecked = true;
        close();
        EditMode = false;
        showObjectInList(id);
    });
}

void TForm7::EditRecord()
{
    bool ok = false;
    const QList<FieldInput> inputs = inputsToStore(&ok);
    if (!ok)
        return;
    Guarded([&] {
        const qint64 id = ObjectId.toLongLong();
        try {
            UpdateObject(*DModule, id, inputs, m_asRead);
        } catch (const ObjectChangedElsewhere &elsewhere) {
            savedElsewhereFirst(elsewhere);
            return;
        }
        recordChange();
        ObjectList::Of(*DModule).open();
        m_closingChecked = true;
        close();
        showObjectInList(id);
    });
}

void TForm7::savedElsewhereFirst(const ObjectChangedElsewhere &elsewhere)
{
    // The list behind and the parameters show what is stored now.
    Guarded([] { ObjectList::Of(*DModule).reopenKeepingCurrent(); });
    paramsPanel->ClassesFill();
    if (elsewhere.what == ObjectChangedElsewhere::Deleted) {
        ShowMessage(elsewhere.message(), this);
        return;
    }
    if (!AskYesNo(elsewhere.message() + MessageLineBreak
                      + QStringLiteral("Загрузить объект в том виде, в каком он сохранён сейчас? Введённые вами значения "
                                       "будут заменены сохранёнными.")
                      + MessageLineBreak + QStringLiteral("«Нет» — окно останется открытым с вашими значениями."),
                  this))
        return;
    Guarded([this] {
        try {
            showStoredObject();
        } catch (const ObjectChangedElsewhere &gone) {
            ShowMessage(gone.message() + QStringLiteral(" Изменения не сохранены."), this);
            return;
        }
        // Undo of this change goes back to the state loaded now, never behind the other user's change.
        m_openedImage = ReadObjectImage(*DModule, ObjectId.toLongLong());
        rememberOpened();
    });
}

void TForm7::recordChange()
{
    if (!EditMode || !m_openedImage)
        return;
    const std::optional<ObjectImage> now = ReadObjectImage(*DModule, m_openedImage->objectId);
    if (now)
        ObjectHistory::Of(*DModule).recordChanged(*m_openedImage, *now);
    m_openedImage.reset();
}

void TForm7::showObjectInList(qint64 id)
{
    // Only a list whose order cannot be sought is read from the top to find the object: then the user
    // sees how far it got, and may stop at the top of the list instead.
    QProgressDialog *progress = NewProgress(Form2, QStringLiteral("Поиск объекта в списке..."), 0);
    ObjectList::Of(*DModule).makeCurrent(id, [progress](int rowsRead) {
        progress->setLabelText(QStringLiteral("Поиск объекта в списке: просмотрено объектов %1").arg(rowsRead));
        QApplication::processEvents();
        return !progress->wasCanceled();
    });
    progress->close();
}

void TForm7::CancelBtnClick()
{
    close();
}

void TForm7::reject()
{
    close();
}

void TForm7::closeEvent(QCloseEvent *event)
{
    // Every way of closing ends here (the dialog's own close would route through reject again). What
    // the user typed is thrown away only when the user says so.
    const bool stored = std::exchange(m_closingChecked, false);
    if (!stored && isVisible() && hasChanges()
        && !AskYesNo(QStringLiteral("Введённые значения не сохранены.") + MessageLineBreak
                         + QStringLiteral("Закрыть окно и отказаться от них?"),
                     this)) {
        event->ignore();
        return;
    }
    event->accept();
    m_chosenSize = size();
    // Links added or deleted are stored at once: closing without saving may still have changed the object.
    if (!stored)
        Guarded([this] { recordChange(); });
    // A value dialog left open would add links to an object that is no longer edited.
    if (Form8)
        Form8->close();
    if (Form2)
        Form2->ClearForm();
}

void TForm7::ImageClick()
{
    auto *picture = qobject_cast<PictureBox *>(sender());
    if (!picture)
        return;
    const QString path = ChooseFileToOpen(this, {"ImageDialog", QStringLiteral("Открытие изображения"), PictureFilters(), {}, LastFolder::Pictures});
    if (path.isEmpty())
        return;
    Guarded([&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw DbError(QStringLiteral("Не удалось открыть файл %1").arg(path));
        const std::optional<QByteArray> stored = pictureToStore(file.readAll());
        if (!stored)
            return;   // stopped by the user
        if (stored->isEmpty())
            throw DbError(QStringLiteral("Файл %1 не является изображением").arg(path));
        picture->setPicture(*stored);
        picture->chosen = true;
    });
}

std::optional<QByteArray> TForm7::pictureToStore(const QByteArray &chosen)
{
    // Checking a photograph of many megapixels, and shrinking it when the settings ask for that, takes
    // longer than a frame: it is done beside the interface thread while the windows stay painted.
    const Options::PictureStoring rule = Settings::PictureStoring();
    QByteArray stored;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        if (IsReadablePicture(chosen))
            stored = PictureAsStored(chosen, rule);
    }));
    worker->start();
    std::unique_ptr<TDModule::LongWait> wait =
        DModule->BeginLongWait ? DModule->BeginLongWait(QStringLiteral("Рисунок готовится...")) : nullptr;
    bool stopped = false;
    while (!worker->wait(wait ? QDeadlineTimer(40) : QDeadlineTimer(QDeadlineTimer::Forever))) {
        if (!wait->keepWaiting())
            stopped = true;
    }
    if (stopped)
        return std::nullopt;
    return stored;
}

void TForm7::ComboBoxChange() { Guarded([this] { paramsPanel->ComboBoxChange(); }); }
void TForm7::AddParamClick() { Guarded([this] { paramsPanel->AddParamClick(); }); }
void TForm7::ClassesFill() { Guarded([this] { paramsPanel->ClassesFill(); }); }
void TForm7::DeleteParamClick() { Guarded([this] { paramsPanel->DeleteParamClick(); }); }
