// The view/fill window's quick search and its menu "Список" (export, import, printing).
#include "objects/form2.h"

#include "app/filedialogs.h"
#include "app/form1.h"
#include "app/forms.h"
#include "app/generalerror.h"
#include "app/messages.h"
#include "app/progress.h"
#include "app/named.h"
#include "app/snapshotbeforechange.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/snapshots.h"
#include "objects/csvdialogs.h"
#include "objects/csvfile.h"
#include "objects/objectgridmodel.h"
#include "objects/objectimport.h"
#include "objects/objectlist.h"
#include "objects/objectprint.h"
#include "objects/photoimportdialog.h"
#include "objects/objectsearch.h"
#include "objects/searchbox.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

#include <QAction>
#include <QHeaderView>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTableView>
#include <QTimer>

void TForm2::buildSearch(QWidget *central)
{
    const SearchBox search = NewSearchBox(central, QStringLiteral("Поиск (Ctrl+F)"),
                                          QStringLiteral("Показать только объекты, в столбцах которых встречается этот текст. "
                                                         "Esc очищает поиск."));
    SearchEdit = search.edit;
    SearchTimer = search.timer;
    connect(SearchEdit, &QLineEdit::textChanged, this, &TForm2::SearchEditChanged);
    connect(SearchTimer, &QTimer::timeout, this, &TForm2::ApplySearch);
    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setObjectName(QStringLiteral("SearchShortcut"));
    connect(find, &QShortcut::activated, this, &TForm2::FocusSearch);
    auto *clear = new QShortcut(QKeySequence(Qt::Key_Escape), SearchEdit, nullptr, nullptr, Qt::WidgetShortcut);
    clear->setObjectName(QStringLiteral("ClearSearchShortcut"));
    connect(clear, &QShortcut::activated, this, &TForm2::ClearSearch);
}

void TForm2::buildListMenu()
{
    ListMenu = new QMenu(QStringLiteral("Список"), this);
    ListMenu->setObjectName(QStringLiteral("ListMenu"));
    // Before the help menu, so that the existing menus keep their places.
    menuBar()->insertMenu(N5->menuAction(), ListMenu);
    const auto item = [this](const char *name, const QString &caption, void (TForm2::*slot)()) {
        QAction *action = ListMenu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    ExportCsvItem = item("ExportCsvItem", QStringLiteral("Экспорт в CSV..."), &TForm2::ExportCsvItemClick);
    ImportCsvItem = item("ImportCsvItem", QStringLiteral("Импорт из CSV..."), &TForm2::ImportCsvItemClick);
    AddFromFolderItem = item("AddFromFolderItem", QStringLiteral("Добавить объекты из папки…"), &TForm2::AddFromFolderItemClick);
    ListMenu->addSeparator();
    PrintListItem = item("PrintListItem", QStringLiteral("Печать списка..."), &TForm2::PrintListItemClick);
    SaveListPdfItem = item("SaveListPdfItem", QStringLiteral("Сохранить список в PDF..."), &TForm2::SaveListPdfItemClick);
    ListMenu->addSeparator();
    PrintCardItem = item("PrintCardItem", QStringLiteral("Печать карточки объекта..."), &TForm2::PrintCardItemClick);
    SaveCardPdfItem = item("SaveCardPdfItem", QStringLiteral("Сохранить карточку объекта в PDF..."), &TForm2::SaveCardPdfItemClick);
    PrintListItem->setShortcut(QKeySequence::Print);
}

QList<DescriptionField> TForm2::visibleFields() const
{
    return VisibleGridFields(*DBGrid, *gridModel);
}

void TForm2::SearchEditChanged()
{
    SearchTimer->start();
}

void TForm2::ApplySearch()
{
    SearchTimer->stop();
    Guarded([this] { ObjectList::Of(*DModule).applySearch(visibleFields(), SearchEdit->text()); });
    ClearForm();
}

void TForm2::FocusSearch()
{
    SearchEdit->setFocus(Qt::ShortcutFocusReason);
    SearchEdit->selectAll();
}

void TForm2::ClearSearch()
{
    if (SearchEdit->text().isEmpty())
        return;
    {
        const QSignalBlocker blocker(SearchEdit);
        SearchEdit->clear();
    }
    ApplySearch();
}

namespace {
const QString ListTitle = QStringLiteral("Список объектов");

// A file to write: the suffix added when missing, an existing file replaced only when the user agrees.
QString chooseTarget(QWidget *parent, const char *dialogName, const QString &title, const QString &filter,
                     const QString &suffix)
{
    QString path = ChooseFileToSave(parent, {dialogName, title, {filter}, QString()});
    if (path.isEmpty())
        return path;
    if (QFileInfo(path).suffix().compare(suffix, Qt::CaseInsensitive) != 0)
        path += QLatin1Char('.') + suffix;
    if (QFileInfo::exists(path)
        && !AskYesNo(QStringLiteral("Файл %1 уже существует. Заменить его?").arg(QFileInfo(path).fileName()), parent))
        return QString();
    return path;
}

QString cardTitle(const QList<DescriptionField> &fields)
{
    const SharedQuery &list = *DModule->QRGeneral;
    for (const DescriptionField &field : fields) {
        if (field.kind() == FieldKind::String || field.kind() == FieldKind::Lookup) {
            const QString text = DisplayText(field, list.value(field.listColumn()));
            if (!text.trimmed().isEmpty())
                return QStringLiteral("Объект: ") + text;
        }
    }
    return QStringLiteral("Объект № ") + list.asString(QStringLiteral("G_ID"));
}
}

void TForm2::ExportCsvItemClick()
{
    CsvExportDialog dialog(this);
    KeepAboveWindowsOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString path = chooseTarget(this, "ExportCsvDialog", QStringLiteral("Экспорт в CSV"),
                                      QStringLiteral("Файлы CSV (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QProgressDialog *progress = NewProgress(this, QStringLiteral("Запись объектов в файл..."), 0);
    int written = 0;
    const bool done = Guarded([&] {
        written = ExportObjectList(*DModule, *DModule->QRGeneral, visibleFields(), dialog.options(), path, [&](int rows) {
            progress->setLabelText(QStringLiteral("Записано объектов: %1").arg(rows));
            QApplication::processEvents();
            return !progress->wasCanceled();
        });
    });
    const bool cancelled = progress->wasCanceled();
    progress->close();
    if (done && !cancelled)
        ShowMessage(QStringLiteral("Записано объектов: %1").arg(written), this);
}

void TForm2::ImportCsvItemClick()
{
    const QString path = ChooseFileToOpen(this, {"ImportCsvDialog", QStringLiteral("Импорт из CSV"),
                                                 {QStringLiteral("Файлы CSV (*.csv *.txt)")}, QString()});
    if (path.isEmpty())
        return;
    // Read piece by piece: the file is gone through whole, to count its rows, but only its head is kept.
    CsvDocument head;
    QProgressDialog *progress = NewProgress(this, QStringLiteral("Чтение файла..."), 1000);
    const bool read = Guarded([&] { head = ReadCsvHead(path, std::nullopt, ProgressIn(progress)); });
    const bool cancelled = progress->wasCanceled();
    progress->close();
    if (!read || cancelled)
        return;
    if (head.dataRecords == 0) {
        ShowMessage(QStringLiteral("В файле нет строк с объектами: первая строка файла должна называть поля, "
                                   "следующие - содержать их значения."), this);
        return;
    }
    const QList<DescriptionField> fields = ReadDescriptionFields(*DModule);
    CsvImportDialog dialog(head, fields, path, this);
    KeepAboveWindowsOnTop(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CsvImportSource source = dialog.source();
    const int rows = dialog.document().dataRecords;
    progress = NewProgress(this, QStringLiteral("Проверка значений..."), rows);
    ImportCheck check;
    const bool checked = Guarded([&] {
        check = CheckCsvImport(source, fields, [&](int done) {
            progress->setValue(done);
            QApplication::processEvents();
            return !progress->wasCanceled();
        });
    });
    progress->close();
    if (!checked)
        return;
    if (check.cancelled) {
        ShowMessage(QStringLiteral("Импорт отменен: ни один объект не добавлен."), this);
        return;
    }
    bool skipFailing = false;
    if (check.failingRows > 0) {
        QStringList lines;
        for (const ImportProblem &problem : check.problems.mid(0, 15))
            lines << problem.text();
        if (check.problemCount > 15)
            lines << QStringLiteral("... и еще ошибок: %1").arg(check.problemCount - 15);
        const QString listed = lines.join(MessageLineBreak);
        if (check.failingRows == check.rows) {
            ShowMessage(QStringLiteral("Ни одну строку файла нельзя загрузить:") + MessageLineBreak + listed, this);
            return;
        }
        skipFailing = AskYesNo(QStringLiteral("Строки с ошибками: %1 из %2.").arg(check.failingRows).arg(check.rows)
                                   + MessageLineBreak + listed + MessageLineBreak + MessageLineBreak
                                   + QStringLiteral("Пропустить эти строки и загрузить остальные? "
                                                    "При ответе \"Нет\" ничего не загружается."),
                               this);
        if (!skipFailing)
            return;
    }
    bool hasObjects = false;
    if (!Guarded([&] { hasObjects = DatabaseHasObjects(*DModule); }))
        return;
    SnapshotForAction snapshot(this);
    if (hasObjects && !snapshot.make(SnapshotCause::Import(QFileInfo(path).fileName())))
        return;
    progress = NewProgress(this, QStringLiteral("Добавление объектов..."), check.rows - check.failingRows);
    int added = 0;
    const bool done = Guarded([&] {
        added = WriteImportedObjects(*DModule, source, fields, check, skipFailing, [&](int count) {
            progress->setValue(count);
            QApplication::processEvents();
            return !progress->wasCanceled();
        });
    });
    progress->close();
    // A stop pressed while the new objects' order was being made came too late: they were added.
    snapshot.settle(done && added > 0);
    Guarded([] { ObjectList::Of(*DModule).open(); });
    ClearForm();
    if (done)
        ShowMessage(added > 0 ? QStringLiteral("Добавлено объектов: %1").arg(added)
                              : QStringLiteral("Импорт отменен: ни один объект не добавлен."),
                    this);
}

void TForm2::AddFromFolderItemClick()
{
    const std::optional<int> added = AddObjectsFromFolder(this);
    if (!added)
        return;
    // The new objects are in the list before the user reads how many there are.
    if (*added > 0) {
        Guarded([] { ObjectList::Of(*DModule).open(); });
        ClearForm();
    }
    ShowMessage(PhotoImportOutcome(*added), this);
}

void TForm2::PrintListItemClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(ListTitle);
    const ListPrintout printout = ObjectListPrintout(*DModule->QRGeneral, visibleFields(), ListTitle);
    // The preview opens on the page that fits the columns; the user may turn it, the texts then wrap.
    if (!Guarded([&] { ChooseListOrientation(printer, printout); }))
        return;
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PrintPreviewDialog"));
    preview.setWindowTitle(QStringLiteral("Печать списка"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter *target) { Guarded([&] { PaintListPages(*target, printout); }); });
    KeepAboveWindowsOnTop(&preview);
    preview.exec();
}

void TForm2::SaveListPdfItemClick()
{
    const QString path = chooseTarget(this, "SaveListPdfDialog", QStringLiteral("Сохранить список в PDF"),
                                      QStringLiteral("Документы PDF (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    const QList<DescriptionField> columns = visibleFields();
    QProgressDialog *progress = NewProgress(this, QStringLiteral("Подготовка страниц..."), 0);
    Guarded([&] {
        const ListPrintout printout = ObjectListPrintout(*DModule->QRGeneral, columns, ListTitle);
        progress->setMaximum(printout.rowCount);
        WritePdf(path, ListTitle, [&](QPagedPaintDevice &device) {
            ChooseListOrientation(device, printout);
            return PaintListPages(device, printout, [&](int rows) {
                progress->setValue(rows);
                QApplication::processEvents();
                return !progress->wasCanceled();
            });
        });
    });
    progress->close();
}

std::optional<CardPrintout> TForm2::currentObjectCard()
{
    if (!DModule->QRGeneral->isOpen() || DModule->QRGeneral->eof()) {
        ShowMessage(QStringLiteral("Выберите объект в списке."), this);
        return std::nullopt;
    }
    const QList<DescriptionField> fields = ReadDescriptionFields(*DModule);
    CardPrintout card;
    if (!Guarded([&] { card = ObjectCardPrintout(*DModule, *DModule->QRGeneral, fields, cardTitle(fields)); }))
        return std::nullopt;
    return card;
}

void TForm2::PrintCardItemClick()
{
    const std::optional<CardPrintout> shown = currentObjectCard();
    if (!shown)
        return;
    const CardPrintout &card = *shown;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(card.title);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PrintPreviewDialog"));
    preview.setWindowTitle(QStringLiteral("Печать карточки объекта"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter *target) { Guarded([&] { PaintCardPages(*target, card); }); });
    KeepAboveWindowsOnTop(&preview);
    preview.exec();
}

void TForm2::SaveCardPdfItemClick()
{
    const std::optional<CardPrintout> shown = currentObjectCard();
    if (!shown)
        return;
    const CardPrintout &card = *shown;
    const QString path = chooseTarget(this, "SaveCardPdfDialog", QStringLiteral("Сохранить карточку объекта в PDF"),
                                      QStringLiteral("Документы PDF (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    Guarded([&] { WritePdf(path, card.title, [&](QPagedPaintDevice &device) { return PaintCardPages(device, card); }); });
}
