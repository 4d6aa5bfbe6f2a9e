#pragma once

#include <windows.h>

// What registering the module writes: the AppID keys of its registration script and its type library
// (TYPELIB 1), machine-wide or for the current user only. Both run with the thread locale set to
// LOCALE_SYSTEM_DEFAULT, restored afterwards.
// Threads: the caller's (regsvr32 or an installer); nothing is shared.
namespace ServerRegistration {

// The module's AppID; the key of that name is "TavoMessenger".
extern const wchar_t* const AppId;

// Writes the AppID keys, then registers the type library; the first failure, or S_OK.
HRESULT registerServer(HMODULE module, bool perUser);

// Unregisters the type library, then removes the AppID keys (never "AppID" itself); the first failure,
// or S_OK.
HRESULT unregisterServer(HMODULE module, bool perUser);

// True for the DllInstall command line that asks for per-user registration: "user", in any case.
bool isPerUserCommandLine(const wchar_t* commandLine);

} // namespace ServerRegistration
