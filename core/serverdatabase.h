#pragma once

#include "core/engine.h"

// Makes a new empty database of the program on a server, from the same schema code as a new file:
// creates the database when the server has none of that name (the user needs the right to), or fills an
// existing empty one. A database that already holds tables is left alone. Nothing is left half-made:
// a database this call created is removed again when filling it fails. Throws DbError in Russian.
// Returns whether the database was created (false: an existing empty one was filled).
bool CreateServerDatabase(const ServerConnection &server);

// Removes a server database this program made (nobody else may be connected). Throws DbError.
void RemoveServerDatabase(const ServerConnection &server);
