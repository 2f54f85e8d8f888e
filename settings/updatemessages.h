#pragma once

#include <QString>

class QWidget;
class UpdateCheck;

// Tells the user how a finished update check ended and, for a newer version, offers its installer in
// the browser. The working file is deleted after its version has been compared.
void ReportUpdateCheck(const UpdateCheck &check, const QString &workingFile, const QString &server, QWidget *owner);
