#include "objects/searchbox.h"

#include "app/named.h"

#include <QLineEdit>
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
    // Signals not blocked: the box's own clear button follows its text. The search the change starts is
    // called off at once.
    box.edit->clear();
    box.timer->stop();
}
