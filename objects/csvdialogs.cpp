#include "objects/csvdialogs.h"

#include "app/named.h"
#include "objects/csvfile.h"
#include "objects/objectimport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

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
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Далее..."));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ExportOkBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
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

CsvImportDialog::CsvImportDialog(const CsvDocument &document, const QList<DescriptionField> &fields,
                                 const QString &fileName, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CsvImportDialog"));
    setWindowTitle(QStringLiteral("Импорт из CSV"));
    const QStringList header = document.records.value(0).fields;
    const QStringList sample = document.records.value(1).fields;
    const QList<int> matched = MatchCsvHeader(header, fields);

    auto *about = new QLabel(QStringLiteral("Файл: %1\nСтрок с объектами: %2, разделитель \"%3\".\n"
                                            "Укажите, какое поле заполняет каждый столбец файла:")
                                 .arg(fileName)
                                 .arg(document.records.size() - 1)
                                 .arg(QLatin1Char(document.delimiter)),
                             this);
    ColumnsTable = Named<QTableWidget>("ColumnsTable", int(header.size()), 3, this);
    ColumnsTable->setHorizontalHeaderLabels({QStringLiteral("Столбец файла"), QStringLiteral("Поле"), QStringLiteral("Первое значение")});
    ColumnsTable->horizontalHeader()->setStretchLastSection(true);
    ColumnsTable->verticalHeader()->setVisible(false);
    ColumnsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fieldIndexes << -1;
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].kind() != FieldKind::Image)
            m_fieldIndexes << i;
    }
    for (int column = 0; column < header.size(); ++column) {
        ColumnsTable->setItem(column, 0, new QTableWidgetItem(header[column]));
        auto *box = new QComboBox(ColumnsTable);
        box->setObjectName(QStringLiteral("FieldBox%1").arg(column));
        box->addItem(QStringLiteral("— не загружать —"));
        for (int k = 1; k < m_fieldIndexes.size(); ++k)
            box->addItem(fields[m_fieldIndexes[k]].name);
        box->setCurrentIndex(qMax(0, int(m_fieldIndexes.indexOf(matched[column]))));
        ColumnsTable->setCellWidget(column, 1, box);
        m_boxes << box;
        ColumnsTable->setItem(column, 2, new QTableWidgetItem(sample.value(column)));
    }
    ColumnsTable->resizeColumnsToContents();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Загрузить"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ImportOkBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addWidget(ColumnsTable, 1);
    layout->addWidget(buttons);
    resize(640, 420);
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
