// Reading the module's embedded type library as a client would: LoadTypeLibEx on TavoMessenger.dll beside
// the test program, and descriptions of its types in the notation of the interface tables ("BSTR*",
// "IDispatch**", "SAFEARRAY(IUCCContact*)*", enumerations and interfaces by name).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>
#include <vector>

namespace typelib_test {

struct ReleaseInterface {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class T>
using ComRef = std::unique_ptr<T, ReleaseInterface>;

// Type and function descriptions, released with the type information that handed them out.
class TypeAttributes {
public:
    explicit TypeAttributes(ITypeInfo* type);
    ~TypeAttributes();
    TypeAttributes(const TypeAttributes&) = delete;
    TypeAttributes& operator=(const TypeAttributes&) = delete;
    const TYPEATTR* operator->() const { return attributes_; }
    bool valid() const { return attributes_ != nullptr; }

private:
    ITypeInfo* type_;
    TYPEATTR* attributes_ = nullptr;
};

class FunctionDescription {
public:
    FunctionDescription(ITypeInfo* type, UINT index);
    ~FunctionDescription();
    FunctionDescription(const FunctionDescription&) = delete;
    FunctionDescription& operator=(const FunctionDescription&) = delete;
    const FUNCDESC* operator->() const { return function_; }
    bool valid() const { return function_ != nullptr; }

private:
    ITypeInfo* type_;
    FUNCDESC* function_ = nullptr;
};

// The type library of TavoMessenger.dll in the test program's own folder (REGKIND_NONE: nothing is
// registered); null if it cannot be loaded.
ComRef<ITypeLib> loadModuleTypeLibrary();
std::wstring moduleTypeLibraryPath();

std::string narrow(const wchar_t* text);
std::string guidText(const GUID& guid);

std::string typeName(ITypeInfo* type);
ComRef<ITypeInfo> referencedType(ITypeInfo* type, HREFTYPE reference);

// The interface side of a dual interface (its TKIND_INTERFACE description), the base of an interface.
ComRef<ITypeInfo> interfaceSide(ITypeInfo* dispatchSide);
ComRef<ITypeInfo> implementedType(ITypeInfo* type, UINT index);

// "long", "BSTR*", "IDispatch**", "SAFEARRAY(ContactInformationType)", "uint64", "MISTATUS*", ...
std::string describe(ITypeInfo* context, const TYPEDESC& type);

// The names GetNames answers for a member: the member's own name first, then its named parameters.
std::vector<std::string> memberNames(ITypeInfo* type, MEMBERID member);

}  // namespace typelib_test
