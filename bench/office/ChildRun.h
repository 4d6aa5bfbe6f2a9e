#pragma once

// This program run once more as a child process with the given arguments; its standard output, whole.
// Empty when it could not be started. Waits for it to end.

#include <string>

namespace bench {

std::string runThisProgram(const std::wstring& arguments);

} // namespace bench
