// The built type library as text, one line per type, member, implemented interface or constant: what a
// reviewer reads in a diff when a declaration changes. Slots are virtual-table indexes, so both
// architectures give the same text.
#pragma once

#include <oaidl.h>

#include <string>
#include <vector>

namespace typelib_test {

std::vector<std::string> dumpTypeLibrary(ITypeLib* library);

}  // namespace typelib_test
