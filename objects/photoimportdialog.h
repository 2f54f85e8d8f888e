#pragma once

#include "fields/fieldkind.h"
#include "objects/photoimport.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

// "Добавить объекты из папки": what the folder holds, the files left out and why, and the fields that
// take the picture, the name and the day; "Добавить" or "Отмена".
class PhotoImportDialog : public QDialog
{
    Q_OBJECT
public:
    // `fields` must hold a picture field.
    PhotoImportDialog(const FolderScan &scan, const QList<DescriptionField> &fields, QWidget *parent = nullptr);
    PhotoImportFields chosenFields() const;
    // The import as the dialog shows it now.
    const PhotoImportPlan &plan() const { return m_plan; }

private:
    void showPlan();

    QLabel *CountLabel = nullptr, *RequiredLabel = nullptr;
    QListWidget *SkippedList = nullptr;
    QComboBox *PictureFieldBox = nullptr, *NameFieldBox = nullptr, *DateFieldBox = nullptr;
    QPushButton *AddBtn = nullptr;
    FolderScan m_scan;
    QList<DescriptionField> m_fields, m_pictureFields, m_nameFields, m_dateFields;
    PhotoImportPlan m_plan;
};

// The whole action of the view/fill window's item: the folder chosen, read, shown in the dialog, and its
// pictures added with progress. The objects added (0 when the user stopped the import); nothing when
// the import did not run (not begun, or its error shown).
std::optional<int> AddObjectsFromFolder(QWidget *window);
// What the user is told after an import that ran.
QString PhotoImportOutcome(int added);
