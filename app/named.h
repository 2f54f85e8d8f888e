#pragma once

#include <QString>
#include <utility>

// A control created with its objectName, the name by which the windows and the tests find it:
// Named<QPushButton>("AddFieldBtn", caption, parent).
template <typename Control, typename... Args>
Control *Named(const char *name, Args &&...args)
{
    auto *control = new Control(std::forward<Args>(args)...);
    control->setObjectName(QLatin1String(name));
    return control;
}
