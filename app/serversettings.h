#pragma once

#include "core/engine.h"

// The last server connection, offered the next time: System/Server.txt, one value a line (host, port,
// database, user). Never the password; System/Options.txt is not touched.
namespace ServerSettings {

// The last connection; the defaults (localhost, 5432) when none was remembered or the file is damaged.
ServerConnection ReadLast(const QString &programFolder);
// Remembers `server` without its password. False when the file could not be written.
bool Remember(const QString &programFolder, const ServerConnection &server);

}
