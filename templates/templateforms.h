#pragma once

#include <QDialog>

// Windows of the template work: new database, save as template, template list, rename template.
class TForm9 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm9(QWidget *parent = nullptr);
};

class TForm10 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm10(QWidget *parent = nullptr);
};

class TForm13 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm13(QWidget *parent = nullptr);
};

class TForm14 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm14(QWidget *parent = nullptr);
};
