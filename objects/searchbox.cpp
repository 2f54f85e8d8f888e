#include "objects/searchbox.h"

#include "app/named.h"

#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

namespace {
// Typing pauses shorter than this run one search, not one per key.
constexpr int SearchDelayMs = 250;
}

SearchBox NewSearchBox(QWidget *parent, const QString &placeholder, const QString &toolTip)
{
    auto *edit = Named<QLineEdit>("SearchEdit", parent);
    edit->setPlaceholderText(placeholder);
    edit->setClearButtonEnabled(true);
    edit->setToolTip(toolTip);
    auto *timer = new QTimer(parent);
    timer->setObjectName(QStringLiteral("SearchTimer"));
    timer->setSingleShot(true);
    timer->setInterval(SearchDelayMs);
    return {edit, timer};
}

void ResetSearchBox(const SearchBox &box)
{
    box.timer->stop();
    const QSignalBlocker blocker(box.edit);
    box.edit->clear();
}
