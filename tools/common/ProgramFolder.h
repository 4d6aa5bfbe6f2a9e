#pragma once

// Files that are installed (or built) beside the running program: the module, its type library, the other
// tools. Any thread.

#include <string>

namespace tools {

// The full path of `fileName` in the folder of the running program.
std::wstring besideThisProgram(const wchar_t* fileName);

} // namespace tools
