#include "TypeLibraryInspection.h"

#include "extensionsutils/GuidText.h"

namespace typelib_test {

TypeAttributes::TypeAttributes(ITypeInfo* type) : type_(type)
{
    if (type_ && FAILED(type_->GetTypeAttr(&attributes_))) attributes_ = nullptr;
}

TypeAttributes::~TypeAttributes()
{
    if (attributes_) type_->ReleaseTypeAttr(attributes_);
}

FunctionDescription::FunctionDescription(ITypeInfo* type, UINT index) : type_(type)
{
    if (type_ && FAILED(type_->GetFuncDesc(index, &function_))) function_ = nullptr;
}

FunctionDescription::~FunctionDescription()
{
    if (function_) type_->ReleaseFuncDesc(function_);
}

std::wstring moduleTypeLibraryPath()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"TavoMessenger.dll";
}

ComRef<ITypeLib> loadModuleTypeLibrary()
{
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(moduleTypeLibraryPath().c_str(), REGKIND_NONE, &library))) return nullptr;
    return ComRef<ITypeLib>(library);
}

std::string narrow(const wchar_t* text)
{
    std::string result;
    for (; text && *text; ++text) result += static_cast<char>(*text);
    return result;
}

std::string guidText(const GUID& guid)
{
    return narrow(extensionsutils::guidText(guid).c_str());
}

std::string typeName(ITypeInfo* type)
{
    BSTR name = nullptr;
    if (FAILED(type->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr))) return {};
    std::string result = narrow(name);
    SysFreeString(name);
    return result;
}

ComRef<ITypeInfo> referencedType(ITypeInfo* type, HREFTYPE reference)
{
    ITypeInfo* referenced = nullptr;
    if (FAILED(type->GetRefTypeInfo(reference, &referenced))) return nullptr;
    return ComRef<ITypeInfo>(referenced);
}

ComRef<ITypeInfo> interfaceSide(ITypeInfo* dispatchSide)
{
    HREFTYPE reference = 0;
    if (FAILED(dispatchSide->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference))) return nullptr;
    return referencedType(dispatchSide, reference);
}

ComRef<ITypeInfo> implementedType(ITypeInfo* type, UINT index)
{
    HREFTYPE reference = 0;
    if (FAILED(type->GetRefTypeOfImplType(index, &reference))) return nullptr;
    return referencedType(type, reference);
}

std::string describe(ITypeInfo* context, const TYPEDESC& type)
{
    switch (type.vt) {
    case VT_PTR: return describe(context, *type.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + describe(context, *type.lptdesc) + ")";
    case VT_USERDEFINED: {
        ComRef<ITypeInfo> referenced = referencedType(context, type.hreftype);
        return referenced ? typeName(referenced.get()) : "<unresolved>";
    }
    case VT_I4: return "long";
    case VT_UI4: return "unsigned long";
    case VT_INT: return "int";
    case VT_I8: return "int64";
    case VT_UI8: return "uint64";
    case VT_BSTR: return "BSTR";
    case VT_VARIANT: return "VARIANT";
    case VT_BOOL: return "VARIANT_BOOL";
    case VT_DISPATCH: return "IDispatch*";
    case VT_UNKNOWN: return "IUnknown*";
    case VT_HRESULT: return "HRESULT";
    case VT_VOID: return "void";
    default: return "VT_" + std::to_string(type.vt);
    }
}

std::vector<std::string> memberNames(ITypeInfo* type, MEMBERID member)
{
    BSTR names[64] = {};
    UINT count = 0;
    if (FAILED(type->GetNames(member, names, 64, &count))) return {};
    std::vector<std::string> result;
    for (UINT index = 0; index < count; ++index) {
        result.push_back(narrow(names[index]));
        SysFreeString(names[index]);
    }
    return result;
}

}  // namespace typelib_test
