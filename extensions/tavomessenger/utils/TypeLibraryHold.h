#pragma once

#include <windows.h>

// COM marshals the module's interfaces from its registered type library: for every new stub (an object
// handed to Office) it loads the library and releases it again. Under Wine, a library whose last
// reference goes is freed while another thread may be taking it from oleaut32's cache of loaded
// libraries; that thread then calls through freed memory, and the call that was handing an object to
// Office ends in an access violation. One reference kept from the first publishing for the module's life
// keeps the library cached, so no stub's release frees it (and spares a full parse of it per stub).
// Any thread.
namespace TypeLibraryHold {

// Loads the module's registered type library once and keeps it; later calls only answer. The failure
// code when it cannot be loaded (then COM cannot marshal the interfaces either), and it is tried again.
HRESULT holdRegisteredLibrary();

} // namespace TypeLibraryHold
