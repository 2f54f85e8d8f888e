#pragma once

#include "core/engine.h"

#include <QString>
#include <functional>

class TDModule;

// Copies the open database into a new database of the other engine: every table of the source (read
// from the engine's catalog, so tables of any part of the program go along), its columns in the
// target's types, every row as stored (pictures byte for byte, NULLs, yes/no -1/0, dates and times as
// texts), then the indexes. The source is read as of one moment and never written. The quick search's
// index is left out (a file builds its own); catalog pictures follow with CatalogStore::CarryPictures.
namespace DatabaseCopy {

// Told after every batch: rows copied so far and rows in all. Answers false to stop the copy.
using Progress = std::function<bool(qint64 copied, qint64 total)>;

// Into a new database on a server (created here, or an existing empty one). Returns false when stopped.
// On failure or stop nothing of the copy remains: a database made here is removed, an existing empty
// one is emptied again. Throws DbError in Russian.
bool ToServer(TDModule &source, const ServerConnection &target, const Progress &progress = {});

// Into a new database file at `path`, which must not exist. Returns false when stopped; on failure or
// stop the file is removed. Throws DbError in Russian.
bool ToFile(TDModule &source, const QString &path, const Progress &progress = {});

}
