#pragma once

#include "fields/fieldkind.h"
#include "objects/csvfile.h"
#include "objects/objectexport.h"
#include "objects/objectimport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QTableWidget;

// "Экспорт в CSV": the delimiter and whether to add the parameters column.
class CsvExportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CsvExportDialog(QWidget *parent = nullptr);
    CsvExportOptions options() const;

private:
    QRadioButton *SemicolonRadio = nullptr, *CommaRadio = nullptr;
    QCheckBox *ParametersCheck = nullptr;
};

// "Импорт из CSV": one row per column of the file, its title, the field it fills (or none) and the
// value of the first record; the user changes the matching before loading. When the file reads both as
// UTF-8 and as Windows-1251, both readings are shown and the user chooses.
class CsvImportDialog : public QDialog
{
    Q_OBJECT
public:
    CsvImportDialog(const CsvDocument &head, const QList<DescriptionField> &fields, const QString &path,
                    QWidget *parent = nullptr);
    // The file's head as read in the chosen encoding.
    const CsvDocument &document() const { return m_document; }
    // The file in the chosen encoding, each column with the field it fills.
    CsvImportSource source() const;
    // Per file column, the index of the chosen field or -1.
    QList<int> mapping() const;
    QComboBox *fieldBox(int column) const;

private:
    QTableWidget *ColumnsTable = nullptr;
    QComboBox *EncodingBox = nullptr;   // only for a file that reads both ways

    void showColumns();
    void encodingChosen(int index);

    CsvDocument m_document;
    QString m_path;
    QList<DescriptionField> m_fields;
    class QLabel *m_about = nullptr;
    QList<QComboBox *> m_boxes;
    QList<int> m_fieldIndexes;   // box item -> index in the fields, -1 for "не загружать"
};
