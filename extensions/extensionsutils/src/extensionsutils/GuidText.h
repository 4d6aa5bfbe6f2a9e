#pragma once

#include <windows.h>

#include <string>

namespace extensionsutils {

// "{31F0215E-C543-4EE3-B6F0-03AC36815648}": upper case with braces, as the registry holds GUIDs.
std::wstring guidText(REFGUID guid);

} // namespace extensionsutils
