// Reading the module's embedded type library as a client would, and the built library as text: one line
// per type, member, implemented interface or constant, in the notation of the interface tables ("BSTR*",
// "IDispatch**", "SAFEARRAY(IUCCContact*)*"). Slots are virtual-table indexes, so both architectures give
// the same text.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace typelib_test {

struct ReleaseInterface {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class T>
using ComRef = std::unique_ptr<T, ReleaseInterface>;
// Descriptions, released with the type information that handed them out; null when unreadable.
using TypeAttributes = std::unique_ptr<TYPEATTR, std::function<void(TYPEATTR*)>>;
using FunctionDescription = std::unique_ptr<FUNCDESC, std::function<void(FUNCDESC*)>>;
TypeAttributes attributesOf(ITypeInfo* type);
FunctionDescription functionOf(ITypeInfo* type, UINT index);

// TavoMessenger.dll beside the test program, loaded with REGKIND_NONE (nothing is registered).
std::wstring besideProgram(const wchar_t* file);
ComRef<ITypeLib> loadModuleTypeLibrary();

std::string narrow(const wchar_t* text);
std::string typeName(ITypeInfo* type);
ComRef<ITypeInfo> referencedType(ITypeInfo* type, HREFTYPE reference);
// The interface side of a dual interface (its TKIND_INTERFACE description).
ComRef<ITypeInfo> interfaceSide(ITypeInfo* dispatchSide);
// The names GetNames answers for a member: the member's own name first, then its named parameters.
std::vector<std::string> memberNames(ITypeInfo* type, MEMBERID member);

std::vector<std::string> dumpTypeLibrary(ITypeLib* library);

}  // namespace typelib_test
