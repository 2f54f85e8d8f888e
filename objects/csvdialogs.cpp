#include "objects/csvdialogs.h"

#include "app/generalerror.h"
#include "app/named.h"
#include "app/progress.h"
#include "objects/csvfile.h"
#include "objects/objectimport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
// The buttons of both CSV windows: the window's own word for going on, and "Отмена".
QDialogButtonBox *okCancelButtons(QDialog *dialog, const QString &okText, const QString &okName)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(okText);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(okName);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}
}

CsvExportDialog::CsvExportDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CsvExportDialog"));
    setWindowTitle(QStringLiteral("Экспорт в CSV"));
    auto *group = Named<QGroupBox>("DelimiterGroup", QStringLiteral("Разделитель значений"), this);
    SemicolonRadio = Named<QRadioButton>("SemicolonRadio", QStringLiteral("Точка с запятой ( ; ) — для русских электронных таблиц"), group);
    CommaRadio = Named<QRadioButton>("CommaRadio", QStringLiteral("Запятая ( , )"), group);
    SemicolonRadio->setChecked(true);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(SemicolonRadio);
    groupLayout->addWidget(CommaRadio);
    ParametersCheck = Named<QCheckBox>("ParametersCheck", QStringLiteral("Добавить столбец с параметрами объекта"), this);
    QDialogButtonBox *buttons = okCancelButtons(this, QStringLiteral("Далее..."), QStringLiteral("ExportOkBtn"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("В файл попадут видимые столбцы списка в их порядке, с учетом\n"
                                                "условия отбора, поиска и сортировки."), this));
    layout->addWidget(group);
    layout->addWidget(ParametersCheck);
    layout->addWidget(buttons);
}

CsvExportOptions CsvExportDialog::options() const
{
    return {CommaRadio->isChecked() ? ',' : ';', ParametersCheck->isChecked()};
}

namespace {
const QList<CsvEncoding> ChoosableEncodings{CsvEncoding::Utf8, CsvEncoding::Windows1251};

QString recordLine(const CsvRecord &record, char delimiter)
{
    return QStringLiteral("строка %1: ").arg(record.line) + record.fields.join(QLatin1Char(delimiter)).left(80);
}
}

CsvImportDialog::CsvImportDialog(const CsvDocument &document, const QList<DescriptionField> &fields,
                                 const QString &path, QWidget *parent)
    : QDialog(parent), m_document(document), m_path(path), m_fields(fields)
{
    setObjectName(QStringLiteral("CsvImportDialog"));
    setWindowTitle(QStringLiteral("Импорт из CSV"));
    m_about = new QLabel(this);
    ColumnsTable = Named<QTableWidget>("ColumnsTable", 0, 3, this);
    ColumnsTable->setHorizontalHeaderLabels({QStringLiteral("Столбец файла"), QStringLiteral("Поле"), QStringLiteral("Первое значение")});
    ColumnsTable->horizontalHeader()->setStretchLastSection(true);
    ColumnsTable->verticalHeader()->setVisible(false);
    ColumnsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fieldIndexes << -1;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].kind() != FieldKind::Image)
            m_fieldIndexes << i;
    }

    QDialogButtonBox *buttons = okCancelButtons(this, QStringLiteral("Загрузить"), QStringLiteral("ImportOkBtn"));
    auto *layout = new QVBoxLayout(this);
    if (!document.encodingSure) {
        // Both readings side by side: the user sees which one shows the letters right.
        auto *group = Named<QGroupBox>("EncodingGroup", QStringLiteral("Кодировка файла не определена однозначно"), this);
        auto *groupLayout = new QVBoxLayout(group);
        EncodingBox = Named<QComboBox>("EncodingBox", group);
        // The record that tells the readings apart is read in each; the reading stops there.
        int telling = 0;
        Guarded([&] { telling = TellingCsvRecord(path); });
        for (const CsvEncoding encoding : ChoosableEncodings) {
            CsvRecord reading;
            Guarded([&] { reading = ReadCsvRecord(path, encoding, telling); });
            const QString name = encoding == CsvEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1251");
            EncodingBox->addItem(name + QStringLiteral(", ") + recordLine(reading, document.delimiter));
        }
        EncodingBox->setCurrentIndex(qMax(0, int(ChoosableEncodings.indexOf(document.encoding))));
        groupLayout->addWidget(new QLabel(QStringLiteral("Выберите чтение, в котором текст выглядит правильно:"), group));
        groupLayout->addWidget(EncodingBox);
        connect(EncodingBox, &QComboBox::currentIndexChanged, this, &CsvImportDialog::encodingChosen);
        layout->addWidget(group);
    }
    layout->addWidget(m_about);
    layout->addWidget(ColumnsTable, 1);
    layout->addWidget(buttons);
    showColumns();
    resize(640, 420);
}

void CsvImportDialog::encodingChosen(int index)
{
    CsvDocument reread;
    QProgressDialog *progress = NewProgress(this, QStringLiteral("Чтение файла..."), 1000);
    const bool read = Guarded([&] { reread = ReadCsvHead(m_path, ChoosableEncodings.value(index), ProgressIn(progress)); });
    const bool cancelled = progress->wasCanceled();
    progress->close();
    if (!read || cancelled)
        return;
    reread.encodingSure = false;
    m_document = reread;
    showColumns();
}

void CsvImportDialog::showColumns()
{
    const QStringList header = m_document.records.value(0).fields;
    const QStringList sample = m_document.records.value(1).fields;
    const QList<int> matched = MatchCsvHeader(header, m_fields);
    m_about->setText(QStringLiteral("Файл: %1\nСтрок с объектами: %2, разделитель \"%3\".\n"
                                    "Укажите, какое поле заполняет каждый столбец файла:")
                         .arg(QFileInfo(m_path).fileName())
                         .arg(m_document.dataRecords)
                         .arg(QLatin1Char(m_document.delimiter)));
    ColumnsTable->clearContents();
    ColumnsTable->setRowCount(int(header.size()));
    m_boxes.clear();
    for (int column = 0; column < header.size(); ++column) {
        ColumnsTable->setItem(column, 0, new QTableWidgetItem(header[column]));
        auto *box = new QComboBox(ColumnsTable);
        box->setObjectName(QStringLiteral("FieldBox%1").arg(column));
        box->addItem(QStringLiteral("— не загружать —"));
        for (int k = 1; k < m_fieldIndexes.size(); ++k)
            box->addItem(m_fields[m_fieldIndexes[k]].name);
        box->setCurrentIndex(qMax(0, int(m_fieldIndexes.indexOf(matched[column]))));
        ColumnsTable->setCellWidget(column, 1, box);
        m_boxes << box;
        ColumnsTable->setItem(column, 2, new QTableWidgetItem(sample.value(column)));
    }
    ColumnsTable->resizeColumnsToContents();
}

CsvImportSource CsvImportDialog::source() const
{
    return {m_path, m_document.encoding, m_document.encodingSure, mapping()};
}

QList<int> CsvImportDialog::mapping() const
{
    QList<int> result;
    for (const QComboBox *box : m_boxes)
        result << m_fieldIndexes.value(box->currentIndex(), -1);
    return result;
}

QComboBox *CsvImportDialog::fieldBox(int column) const
{
    return m_boxes.value(column);
}
