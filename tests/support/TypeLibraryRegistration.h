#pragma once

#include <windows.h>

#include <string>

// The full path of a file in the folder of the running program (tests and the module are built side by side).
std::wstring besideThisProgram(const wchar_t* fileName);

// Registers the type library embedded in `modulePath` machine-wide, as an installer would, and also under
// locale 0: Wine's marshaler looks a library up for locale 0 only, while ours carries 0x409.
HRESULT registerTypeLibraryForMarshaling(const std::wstring& modulePath);
