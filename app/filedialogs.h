#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Dialogs that start where the user last chose through any dialog of the same memory in this session.
enum class LastFolder { None, Pictures };

// The program's file and picture dialogs: Qt's own modal dialogs (never the platform's), named so that
// tests can answer them, starting in the folder of `remembered` once the user chose through it, else in
// `folder` (the program folder when empty). Each returns the chosen path, or an empty text when the user
// cancelled.
struct FileDialogRequest
{
    const char *objectName;
    QString title;
    QStringList nameFilters;
    QString folder;
    LastFolder remembered = LastFolder::None;
};

// A file to read; with `mustExist` off any typed name is returned as it stands.
QString ChooseFileToOpen(QWidget *parent, const FileDialogRequest &request, bool mustExist = true);
// A file to write; the dialog does not ask about replacing, the caller decides.
QString ChooseFileToSave(QWidget *parent, const FileDialogRequest &request);
// An existing folder, its box labelled "Папка:"; the request's name filters are not used.
QString ChooseFolder(QWidget *parent, const FileDialogRequest &request);
// The filter of the dialogs that choose a database file.
QString DatabaseFilter();
// Filters of the picture dialogs.
QStringList PictureFilters();
QStringList JpegFilters();
