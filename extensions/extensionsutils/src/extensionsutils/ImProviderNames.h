#pragma once

// Where Office looks for its IM provider, under HKEY_CURRENT_USER: "Software\IM Providers" names the default
// provider in "DefaultIMApp", and each provider's own key holds "UpAndRunning" (0 stopped, 1 starting,
// 2 running), which the module writes while the host client runs it. Named once here for the module, its
// tools and its tests.

namespace extensionsutils {
namespace improvider {

inline constexpr const wchar_t* ImProvidersKey = L"Software\\IM Providers";
inline constexpr const wchar_t* DefaultImAppValue = L"DefaultIMApp";
inline constexpr const wchar_t* ProviderName = L"Norvane Quillon";
inline constexpr const wchar_t* ProviderKey = L"Software\\IM Providers\\Norvane Quillon";
// Office 2007 looks here, whichever provider is the default.
inline constexpr const wchar_t* Office2007ProviderKey = L"Software\\IM Providers\\Communicator";
inline constexpr const wchar_t* UpAndRunningValue = L"UpAndRunning";

} // namespace improvider
} // namespace extensionsutils
