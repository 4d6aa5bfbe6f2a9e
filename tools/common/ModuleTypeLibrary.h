#pragma once

// What an Office process keeps of the module's registered type library. Under Wine, COM's proxies for the
// module's interfaces load that library and release it again; a library whose last reference goes is
// freed while another thread may be taking it from oleaut32's cache of loaded libraries, and that thread
// then calls through freed memory. With events arriving on several threads at once this crashed Office's
// process; one reference held for the process's life keeps the library cached. Any thread.

#include <windows.h>

#include <string>

namespace tools {

// Loads the module's registered type library once and keeps it for the process's life; later calls only
// answer. The failure code when it is not registered (then nothing can marshal its interfaces either).
HRESULT holdModuleTypeLibrary();

// An installer's step beside registration: TypeLib\{LIBID}\<version>\0\win32 (or win64) = the module's
// path, machine-wide (see the .cpp for why).
HRESULT registerTypeLibraryLocaleZero(const std::wstring& modulePath);

} // namespace tools
