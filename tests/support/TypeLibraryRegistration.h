#pragma once

#include <windows.h>

#include "common/ProgramFolder.h"

#include <string>

// Tests and the module are built side by side.
using tools::besideThisProgram;

// Registers the type library embedded in `modulePath` machine-wide, as an installer would, and also under
// locale 0: Wine's marshaler looks a library up for locale 0 only, while ours carries 0x409.
HRESULT registerTypeLibraryForMarshaling(const std::wstring& modulePath);
