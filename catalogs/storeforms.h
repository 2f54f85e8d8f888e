#pragma once

#include <QDialog>

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
    // Centres the window and shows it with `name` in the box.
    void Open(const QString &name);

    QLineEdit *Edit1;
    QPushButton *Button1, *Button2;

public Q_SLOTS:
    void Button1Click();
};

// The catalog list window: opens and deletes saved catalogs.
class TForm19 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm19(QWidget *parent = nullptr);

    QLabel *Label1;
    QListWidget *ListBox;
    QPushButton *Button1, *Button2, *Button3;

public Q_SLOTS:
    void LoadCatalogs();
    void Button1Click();
    void Button2Click();

private:
    QString selectedName() const;
    void enableActions();
};
