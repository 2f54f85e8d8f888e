#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

// "Опубликовать как веб-сайт…": the folder of the site, which objects, the size of the pictures.
class PublishSiteDialog : public QDialog
{
    Q_OBJECT
public:
    // `listed` is the number of objects the list shows now.
    PublishSiteDialog(const QString &catalogName, int listed, QWidget *parent = nullptr);

    QString folder() const;
    bool allObjects() const;
    bool originalPictures() const;

    void setChoices(const QString &folder, bool allObjects, bool originalPictures);

public Q_SLOTS:
    void ChooseFolderClick();
    // Refuses a folder the site cannot go into, saying why; else closes the dialog.
    void PublishClick();

private:
    QLineEdit *SiteFolderEdit = nullptr;
    QRadioButton *ListedObjectsRadio = nullptr, *AllObjectsRadio = nullptr;
    QCheckBox *OriginalPicturesBox = nullptr;
};

// The whole action of the designer's item for the saved catalog `catalogName`: the dialog, the
// publishing with progress and "Отмена", and what was written. `unsavedNote` (empty when the layout is
// saved) is told with the outcome.
void PublishCatalogSite(QWidget *window, const QString &catalogName, const QString &unsavedNote);
