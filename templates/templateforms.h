#pragma once

#include "core/engine.h"
#include "templates/templatestore.h"

#include <QDialog>

class TServerDialog;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

// The new-database window: an empty database or a copy of a template, written where the user says (a
// file, or a new database on a server) and opened in the editing mode.
class TForm9 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm9(QWidget *parent = nullptr);

public Q_SLOTS:
    // The window as the File menu's "Новый" shows it: the template list read again, its first name
    // selected, "Создать пустую базу данных" chosen and the list disabled.
    void PrepareForNewDatabase();
    // A new database from the named template, in a file the user chooses; the window itself stays closed.
    void CreateFromTemplate(const QString &name);
    void Button1Click();
    void Button2Click();
    void RadioButton1Click();
    void RadioButton2Click();
    // Asks where on a server the new database goes; the chosen kind and template are kept meanwhile.
    void ServerBtnClick();
    // Makes the new database on `server`, empty or as a copy of the template chosen when the server
    // window was opened, and opens it. False when it was not made (the reason was shown).
    bool CreateOnServer(const ServerConnection &server);

private:
    QRadioButton *RadioButton1, *RadioButton2;
    QListWidget *ListBox;
    QPushButton *Button1, *Button2;
    QPushButton *ServerBtn;   // "Создать на сервере…"
    TServerDialog *ServerDialog;   // where on which server the new database is made

    QString m_serverSource;   // the template file for the server database; empty for an empty database
};

// Saving the open database as a template.
class TForm10 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm10(QWidget *parent = nullptr);

public Q_SLOTS:
    void PrepareForSaving();   // an empty name box
    void Button1Click();
    void Button2Click();

private:
    QLineEdit *Edit1;
    QPushButton *Button1, *Button2;

    // A template of the server database open in the program: copied into its file, the program staying
    // where it was.
    void saveFromServer(const QString &name, TemplateStore::StripChoice strip);
};

// The template list: a new database from a template, renaming and deleting templates.
class TForm13 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm13(QWidget *parent = nullptr);

public Q_SLOTS:
    void LoadSamples();
    // After a rename: the list read again with the renamed template selected in its place.
    void TemplateRenamed(const QString &newName);
    void OpenSampleBtnClick();
    void DeleteSampleBtnClick();
    void ChangeSampleBtnClick();
    void CloseBtnClick();

private:
    QListWidget *ListBox;
    QPushButton *OpenSampleBtn, *DeleteSampleBtn, *ChangeSampleBtn, *CloseBtn;

    const QListWidgetItem *selectedItem() const;   // nullptr when nothing is selected
};

// Renaming a template.
class TForm14 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm14(QWidget *parent = nullptr);

public Q_SLOTS:
    void ShowForTemplate(const QString &name);
    void Button1Click();
    void Button2Click();

private:
    QLineEdit *Edit1;
    QPushButton *Button1, *Button2;

    QString m_oldName;
};
