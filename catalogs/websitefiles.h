#pragma once

#include <QByteArray>

// The style and the script every published site carries: the same for every catalog, so a second
// publishing leaves them as they are.
namespace WebSite {
QByteArray SiteStyle();
QByteArray SiteScript();
}
