#pragma once

// Adds what the subsystems do with every database the program opens (TDModule's hooks): the search
// functions of each file connection; on opening, the missing field indexes and the catalog saves an
// interruption left; on closing, what the object list learnt. Once per program (later calls do
// nothing), before the first database opens: at start-up and in the tests' main().
void RegisterDatabaseHooks();
