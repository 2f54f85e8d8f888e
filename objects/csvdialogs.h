#pragma once

#include "fields/fieldkind.h"
#include "objects/objectexport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QTableWidget;
struct CsvDocument;

// "Экспорт в CSV": the delimiter and whether to add the parameters column.
class CsvExportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CsvExportDialog(QWidget *parent = nullptr);
    CsvExportOptions options() const;

    QRadioButton *SemicolonRadio = nullptr, *CommaRadio = nullptr;
    QCheckBox *ParametersCheck = nullptr;
};

// "Импорт из CSV": one row per column of the file, its title, the field it fills (or none) and the
// value of the first record; the user changes the matching before loading.
class CsvImportDialog : public QDialog
{
    Q_OBJECT
public:
    CsvImportDialog(const CsvDocument &document, const QList<DescriptionField> &fields, const QString &fileName,
                    QWidget *parent = nullptr);
    // Per file column, the index of the chosen field or -1.
    QList<int> mapping() const;
    QComboBox *fieldBox(int column) const;

    QTableWidget *ColumnsTable = nullptr;

private:
    QList<QComboBox *> m_boxes;
    QList<int> m_fieldIndexes;   // box item -> index in the fields, -1 for "не загружать"
};
