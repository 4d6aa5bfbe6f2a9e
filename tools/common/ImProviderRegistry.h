#pragma once

// Where Office looks for its IM provider, under HKEY_CURRENT_USER: "Software\IM Providers" names the
// default provider in "DefaultIMApp", and each provider's own key holds "UpAndRunning" (0 stopped,
// 1 starting, 2 running), which the module writes while the host client runs it.

#include <windows.h>

#include <optional>
#include <string>

namespace tools {

extern const wchar_t* const ImProvidersKey;         // "Software\IM Providers"
extern const wchar_t* const DefaultImAppValue;      // "DefaultIMApp"
extern const wchar_t* const ProviderName;           // "Norvane Quillon"
extern const wchar_t* const ProviderKey;            // "Software\IM Providers\Norvane Quillon"
extern const wchar_t* const Office2007ProviderKey;  // "Software\IM Providers\Communicator"
extern const wchar_t* const UpAndRunningValue;      // "UpAndRunning"

// UpAndRunning of the provider's key; nothing when the key or the value is missing or not a DWORD.
std::optional<DWORD> readUpAndRunning();

// Makes this provider Office's default IM provider, as the host client's installer does. A Win32 error code.
LONG writeDefaultImApp();

} // namespace tools
