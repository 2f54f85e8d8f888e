#include "app/databasehooks.h"

#include "app/snapshotbeforechange.h"
#include "catalogs/catalogstore.h"
#include "core/dberror.h"
#include "core/dmodule.h"
#include "core/snapshots.h"
#include "fields/fieldindexes.h"
#include "objects/changehistory.h"
#include "objects/objecthistory.h"
#include "objects/objectlist.h"
#include "objects/objectsearch.h"
#include "objects/recyclebin.h"
#include "objects/sortkeys.h"
#include "objects/thumbnails.h"
#include "settings/form6.h"

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
        // The recycle bin's and the change history's tables, missing in databases of earlier versions.
        TDModule::AddOpenHook(RecycleBin::EnsureTable);
        TDModule::AddOpenHook(ChangeHistory::EnsureTable);
        // Thumbnails of pictures stored by an earlier version: made in the background, no wait on opening.
        TDModule::AddOpenHook([](TDModule &module) {
            Thumbnails::EnsureTable(module);
            if (!Thumbnails::Maker::Of(module))
                new Thumbnails::Maker(module);
        });
        // What stayed in the bin longer than the period goes; a purge that cannot run now (another program
        // holds the file) is tried at the next opening.
        TDModule::AddOpenHook([](TDModule &module) {
            try {
                RecycleBin::Purge(module, Settings::RecycleBinDays(),
                                  [&module] { return SnapshotBeforeChange(module, nullptr, SnapshotCause::BinPurged()); });
            } catch (const DbError &) {
            }
        });
        TDModule::AddCloseHook(ForgetLookupValuesIntact);
        TDModule::AddCloseHook([](TDModule &module) { delete Thumbnails::Maker::Of(module); });
        // Undo belongs to the database it was done in.
        TDModule::AddCloseHook([](TDModule &module) { ObjectHistory::Of(module).clear(); });
    });
}
