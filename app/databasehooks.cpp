#include "app/databasehooks.h"

#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "fields/fieldindexes.h"
#include "objects/objectlist.h"
#include "objects/objectsearch.h"
#include "objects/sortkeys.h"

#include <mutex>

void RegisterDatabaseHooks()
{
    static std::once_flag added;
    std::call_once(added, [] {
        TDModule::AddFileConnectionHook(RegisterObjectSearch);
        // Indexes an earlier version did not make.
        TDModule::AddOpenHook([](TDModule &module) { FieldIndexes::EnsureFieldIndexes(module); });
        // Sort keys of a small file; a large one is keyed with progress by the window that opened it.
        TDModule::AddOpenHook([](TDModule &module) { SortKeys::Prepare(module); });
        // A catalog save or delete cut short is finished or taken back now; one that cannot be is tried
        // again, and reported, when the catalog is used.
        TDModule::AddOpenHook([](TDModule &module) {
            try {
                CatalogStore::Recover(module);
            } catch (const DbError &) {
            }
        });
        TDModule::AddCloseHook(ForgetLookupValuesIntact);
    });
}
