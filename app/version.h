#pragma once

#include <QString>

inline const QString VersionText = QStringLiteral("1.0.2 final");
inline const QString ProgramTitle = QStringLiteral("Вирандел");
