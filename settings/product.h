#pragma once

#include <QString>

// The product's addresses: the update server (host, or host:port), the web site and the mail address.
// The reserved example domain stands until the product's own domain is registered.
inline const QString UpdateServerHost = QStringLiteral("www.virandel.example");
inline const QString ProductWebSite = QStringLiteral("www.virandel.example");
inline const QString ProductMail = QStringLiteral("virandel@virandel.example");
