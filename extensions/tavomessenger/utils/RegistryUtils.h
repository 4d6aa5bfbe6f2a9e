#pragma once

// The module's registry values: UpAndRunning, by which Office finds the running IM provider, and the repair
// of the Messenger API interfaces' TypeLib entries so that Office marshals them with this module's type
// library (RegistryUtils.cpp); the installed Office version that decides where UpAndRunning goes
// (OfficeVersion.cpp); the DisableResolveContact setting (ResolveContactSetting.cpp).
//
// Nothing is cached: every call reads and writes the registry afresh. Called on the host's thread during
// start and stop and on the worker thread; no lock, the registry serialises the writes.

#include <windows.h>

#include <optional>
#include <string>

namespace RegistryUtils {

// "Software\IM Providers\Norvane Quillon" in HKEY_CURRENT_USER, and "Software\IM Providers\Communicator"
// as well when Office 2007 is detected. Registry failures are silent.
void SetUpAndRunning(DWORD value);

// Points the TypeLib entries of every Messenger API interface at the module's LIBID, in HKEY_LOCAL_MACHINE
// and HKEY_CURRENT_USER, in both registry views. Keys that are missing, or that cannot be opened for all
// access, are left alone.
void CheckMessengerInterfaceTypelibs();

// iid: upper case with braces, as "{D50C3186-0F89-48F8-B204-3604629DEE10}".
void CheckGUIDUnderGivenHive(const std::string& iid, HKEY hive);

void QueryKeyAndReplaceIfNotTavoMessengerGUID(HKEY hive, const std::string& keyPath);

// The key's default value (64-bit view) up to its first NUL; nothing when the key or its default value is
// missing.
std::optional<std::wstring> ReadRegistryKeyStringValue(HKEY hive, const std::string& keyPath);

// Writes value as the default value (REG_SZ) of an existing key in the 64-bit view; never creates the key.
void WriteTavoMessengerGUID(HKEY hive, const std::string& keyPath, const std::wstring& value);

// The Office versions the module tells apart.
const unsigned office2007 = 12;
const unsigned office2010 = 14;

// Outlook's major version from "Outlook.Application\CurVer": 11, 12, 14, 15 or 16; 0 when unknown.
unsigned officeVersionFromCurVer();

// From the folder of the Office component registered as an in-process server: 12 for Office 2007, 14 for
// any later Office; 0 when unknown.
unsigned officeVersionFromInprocServer();

// False only when DisableResolveContact holds the number 1.
bool isResolveContactEnabled();

} // namespace RegistryUtils
