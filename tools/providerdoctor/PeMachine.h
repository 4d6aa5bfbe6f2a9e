#pragma once

// The machine a Windows executable or DLL is built for, read from its PE header: what decides whether a
// 32-bit or a 64-bit process can load it.

#include <windows.h>

#include <optional>
#include <string>

namespace doctor {

// IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64, ...; nothing when the file cannot be read or is not a
// PE file.
std::optional<WORD> readPeMachine(const std::wstring& path);

// "32-bit x86", "64-bit x64", "64-bit ARM" or the number in hex.
std::wstring machineName(WORD machine);

// The machine that a type library's platform subkey ("win32", "win64") stands for; nothing for others.
std::optional<WORD> machineOfPlatform(const std::wstring& platform);

} // namespace doctor
