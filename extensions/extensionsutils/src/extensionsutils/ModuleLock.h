#pragma once

namespace extensionsutils {

// The module's lock count: one per live COM object and one per IClassFactory::LockServer(TRUE).
// DllCanUnloadNow answers S_OK only while it is zero. Any thread.
void lockModule();
void unlockModule();
long moduleLockCount();

} // namespace extensionsutils
