#pragma once

#include <functional>

class TDModule;
struct sqlite3;

// While it lives, calls `alive` every so many steps of the file engine on the module's connection, so
// that a long statement (an index made, the engine's check) keeps the window alive; a false answer
// interrupts the statement (it fails with DbError). Nothing on a server database.
class EngineProgress
{
public:
    EngineProgress(TDModule &module, std::function<bool()> alive);
    ~EngineProgress();
    EngineProgress(const EngineProgress &) = delete;
    EngineProgress &operator=(const EngineProgress &) = delete;

private:
    static int call(void *self);
    sqlite3 *m_engine = nullptr;
    std::function<bool()> m_alive;
};
