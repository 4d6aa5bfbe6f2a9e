#pragma once

// Reading and writing the values by which Office finds its IM provider, under HKEY_CURRENT_USER: "Software\IM
// Providers" names the default provider in "DefaultIMApp", and each provider's own key holds "UpAndRunning"
// (0 stopped, 1 starting, 2 running), which the module writes while the host client runs it. The names are
// spelled here as Office and the host's installer know them, not taken from the module: what the tools read
// is then a check of what the module writes.

#include <windows.h>

#include <optional>
#include <string>

namespace tools {

inline constexpr const wchar_t* ImProvidersKey = L"Software\\IM Providers";
inline constexpr const wchar_t* DefaultImAppValue = L"DefaultIMApp";
inline constexpr const wchar_t* ProviderName = L"Norvane Quillon";
inline constexpr const wchar_t* ProviderKey = L"Software\\IM Providers\\Norvane Quillon";
// Office 2007 looks here, whichever provider is the default.
inline constexpr const wchar_t* Office2007ProviderKey = L"Software\\IM Providers\\Communicator";
inline constexpr const wchar_t* UpAndRunningValue = L"UpAndRunning";

// UpAndRunning of the provider's key; nothing when the key or the value is missing or not a DWORD.
std::optional<DWORD> readUpAndRunning();

// Makes this provider Office's default IM provider, as the host client's installer does. A Win32 error code.
LONG writeDefaultImApp();

} // namespace tools
