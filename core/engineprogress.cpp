#include "core/engineprogress.h"

#include "core/collation.h"
#include "core/dmodule.h"

#include <sqlite3.h>

namespace {
// Engine steps between two calls: some milliseconds of work.
constexpr int StepsBetweenCalls = 200000;
}

EngineProgress::EngineProgress(TDModule &module, std::function<bool()> alive)
    : m_alive(std::move(alive))
{
    if (module.engine() != EngineKind::File || !m_alive)
        return;
    m_engine = EngineHandle(module.database());
    sqlite3_progress_handler(m_engine, StepsBetweenCalls, &EngineProgress::call, this);
}

EngineProgress::~EngineProgress()
{
    if (m_engine)
        sqlite3_progress_handler(m_engine, 0, nullptr, nullptr);
}

int EngineProgress::call(void *self)
{
    return static_cast<EngineProgress *>(self)->m_alive() ? 0 : 1;
}
