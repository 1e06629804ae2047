// What keeps the module loaded: live objects, references to the class factories and the locks
// of IClassFactory::LockServer. DllCanUnloadNow answers from these counts; they are the module's
// only mutable state shared between its objects.
#pragma once

namespace pelorus::control::module_counts {

void object_created();
void object_destroyed();
void factory_referenced();
void factory_released();
void lock();
// An unlock without a lock is ignored.
void unlock();
bool can_unload();

}  // namespace pelorus::control::module_counts
