// Reading the module's embedded type library as a client would, and the library as text: one line per
// type, member, implemented interface or constant, in the notation of the interface tables ("BSTR*",
// "IDispatch**", "SAFEARRAY(IUCCContact*)*"). Slots are virtual-table indexes, so both architectures give
// the same text.
#pragma once

#include "extensionsutils/ComPtr.h"

#include <oleauto.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace typelib_test {

using extensionsutils::ComPtr;
// Descriptions, released with the type information that handed them out; null when unreadable.
using TypeAttributes = std::unique_ptr<TYPEATTR, std::function<void(TYPEATTR*)>>;
using FunctionDescription = std::unique_ptr<FUNCDESC, std::function<void(FUNCDESC*)>>;
TypeAttributes attributesOf(ITypeInfo* type);
FunctionDescription functionOf(ITypeInfo* type, UINT index);

std::string typeName(ITypeInfo* type);
ComPtr<ITypeInfo> referencedType(ITypeInfo* type, HREFTYPE reference);
// The names GetNames answers for a member: the member's own name first, then its named parameters.
std::vector<std::string> memberNames(ITypeInfo* type, MEMBERID member);
// Every type of the library in order (null where unreadable) with, for a dual interface, its virtual-table side.
void forEachType(ITypeLib* library, const std::function<void(UINT index, ITypeInfo* type, ITypeInfo* vtable)>& visit);

std::vector<std::string> dumpTypeLibrary(ITypeLib* library);

}  // namespace typelib_test
