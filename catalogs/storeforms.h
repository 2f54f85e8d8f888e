#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The save window: the name under which the designer saves its layout.
class TForm18 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm18(QWidget *parent = nullptr);
    // Shows the window with `name` in the box; "Сохранить" hands the name typed, once it can name a
    // catalog, to `save`, and the window closes when `save` says the catalog was saved.
    void Open(const QString &name, std::function<bool(const QString &name)> save);

public Q_SLOTS:
    void Button1Click();

private:
    QLineEdit *Edit1;
    QPushButton *Button1, *Button2;
    std::function<bool(const QString &)> m_save;
};

// The catalog list window: opens and deletes saved catalogs.
class TForm19 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm19(QWidget *parent = nullptr);

public Q_SLOTS:
    void LoadCatalogs();
    void Button1Click();
    void Button2Click();

private:
    QLabel *Label1;
    QListWidget *ListBox;
    QPushButton *Button1, *Button2, *Button3;

    QString selectedName() const;
    void enableActions();
};
