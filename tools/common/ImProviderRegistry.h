#pragma once

// Reading and writing the values by which Office finds its IM provider (names in ImProviderNames.h).

#include "extensionsutils/ImProviderNames.h"

#include <windows.h>

#include <optional>
#include <string>

namespace tools {

using extensionsutils::improvider::DefaultImAppValue;
using extensionsutils::improvider::ImProvidersKey;
using extensionsutils::improvider::Office2007ProviderKey;
using extensionsutils::improvider::ProviderKey;
using extensionsutils::improvider::ProviderName;
using extensionsutils::improvider::UpAndRunningValue;

// UpAndRunning of the provider's key; nothing when the key or the value is missing or not a DWORD.
std::optional<DWORD> readUpAndRunning();

// Makes this provider Office's default IM provider, as the host client's installer does. A Win32 error code.
LONG writeDefaultImApp();

} // namespace tools
