#include "TypeLibraryText.h"

#include "TavoMessengerLib.h"
#include "common/ProgramFolder.h"
#include "extensionsutils/GuidText.h"

#include <cstdio>
#include <regex>
#include <set>

namespace typelib_test {
namespace {

const GUID kAutomationStandardLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string guidText(const GUID& guid) { return narrow(extensionsutils::guidText(guid).c_str()); }

ComRef<ITypeInfo> implementedType(ITypeInfo* type, UINT index)
{
    HREFTYPE reference = 0;
    if (FAILED(type->GetRefTypeOfImplType(index, &reference))) return nullptr;
    return referencedType(type, reference);
}

// A named type of this library or of the automation standard library by its name; one of any other
// library (which the typelib marshaler may not find) also names that library.
std::string referenceName(ITypeInfo* context, HREFTYPE reference)
{
    ComRef<ITypeInfo> referenced = referencedType(context, reference);
    if (!referenced) return "<unresolved>";
    ITypeLib* owner = nullptr;
    UINT index = 0;
    if (FAILED(referenced->GetContainingTypeLib(&owner, &index))) return typeName(referenced.get()) + "@?";
    ComRef<ITypeLib> heldOwner(owner);
    TLIBATTR* attributes = nullptr;
    if (FAILED(owner->GetLibAttr(&attributes))) return typeName(referenced.get()) + "@?";
    const GUID library = attributes->guid;
    owner->ReleaseTLibAttr(attributes);
    const bool known = library == LIBID_TavoMessengerLib || library == kAutomationStandardLibrary;
    return typeName(referenced.get()) + (known ? "" : "@" + guidText(library));
}

std::string describe(ITypeInfo* context, const TYPEDESC& type)
{
    switch (type.vt) {
    case VT_PTR: return describe(context, *type.lptdesc) + "*";
    case VT_SAFEARRAY: return "SAFEARRAY(" + describe(context, *type.lptdesc) + ")";
    case VT_USERDEFINED: return referenceName(context, type.hreftype);
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

std::string hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

const char* kindName(TYPEKIND kind)
{
    static const char* const names[] = {"enum", "record", "module", "interface", "dispatch", "coclass", "alias", "union"};
    return kind >= 0 && kind < TKIND_MAX ? names[kind] : "union";
}

const char* invokeName(INVOKEKIND kind)
{
    return kind == INVOKE_PROPERTYGET ? "get" : kind == INVOKE_PROPERTYPUT ? "put" : kind == INVOKE_PROPERTYPUTREF ? "putref" : "method";
}

std::string defaultValue(const PARAMDESC& parameter)
{
    if (!parameter.pparamdescex) return "?";
    const VARIANT& value = parameter.pparamdescex->varDefaultValue;
    if (value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) return value.punkVal ? "object" : "null";
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR))) return "VT_" + std::to_string(value.vt);
    std::string result = "\"" + narrow(text.bstrVal) + "\"";
    VariantClear(&text);
    return result;
}

std::string parameterText(ITypeInfo* type, const ELEMDESC& element, const std::string& name)
{
    std::string text = describe(type, element.tdesc);
    if (!name.empty()) text += " " + name;
    const USHORT flags = element.paramdesc.wParamFlags;
    if (flags & PARAMFLAG_FIN) text += " in";
    if (flags & PARAMFLAG_FOUT) text += " out";
    if (flags & PARAMFLAG_FRETVAL) text += " retval";
    if (flags & PARAMFLAG_FLCID) text += " lcid";
    if (flags & PARAMFLAG_FOPT) text += " optional";
    if (flags & PARAMFLAG_FHASDEFAULT) text += " default=" + defaultValue(element.paramdesc);
    return text;
}

// "  7 0x503 get Window(IDispatch** ppMWindow out retval)" for a virtual-table member; dispatch-only
// members have no slot. GetNames answers by dispatch identifier, so the parameter names are those of the
// member declared first under it: later ones (a property put after its get) show types only.
std::string functionLine(ITypeInfo* type, UINT index, std::set<MEMBERID>& named)
{
    FunctionDescription function = functionOf(type, index);
    if (!function) return "  <unreadable function " + std::to_string(index) + ">";
    std::vector<std::string> names = memberNames(type, function->memid);
    const bool parameterNames = named.insert(function->memid).second;
    std::string line = "  ";
    if (function->funckind != FUNC_DISPATCH) line += std::to_string(function->oVft / sizeof(void*)) + " ";
    line += hex(static_cast<unsigned long>(function->memid)) + " " + invokeName(function->invkind) + " ";
    line += (names.empty() ? "?" : names[0]) + "(";
    for (SHORT parameter = 0; parameter < function->cParams; ++parameter) {
        // A property put's value has no name; GetNames then answers one name fewer.
        size_t nameIndex = static_cast<size_t>(parameter) + 1;
        std::string name = parameterNames && nameIndex < names.size() ? names[nameIndex] : "";
        line += (parameter ? ", " : "") + parameterText(type, function->lprgelemdescParam[parameter], name);
    }
    line += ")";
    if (function->elemdescFunc.tdesc.vt != VT_HRESULT) line += " -> " + describe(type, function->elemdescFunc.tdesc);
    if (function->funckind != FUNC_PUREVIRTUAL && function->funckind != FUNC_DISPATCH)
        line += " funckind=" + std::to_string(function->funckind);
    if (function->callconv != CC_STDCALL) line += " callconv=" + std::to_string(function->callconv);
    if (function->wFuncFlags) line += " flags=" + hex(function->wFuncFlags);
    return line;
}

void dumpConstants(ITypeInfo* type, const TYPEATTR& attributes, std::vector<std::string>& lines)
{
    for (UINT index = 0; index < attributes.cVars; ++index) {
        VARDESC* variable = nullptr;
        if (FAILED(type->GetVarDesc(index, &variable))) {
            lines.push_back("  <unreadable constant " + std::to_string(index) + ">");
            continue;
        }
        std::vector<std::string> names = memberNames(type, variable->memid);
        VARIANT value;
        VariantInit(&value);
        std::string text = "?";
        if (variable->varkind == VAR_CONST && SUCCEEDED(VariantChangeType(&value, variable->lpvarValue, 0, VT_I8)))
            text = std::to_string(value.llVal);
        lines.push_back("  " + (names.empty() ? "?" : names[0]) + " = " + text);
        type->ReleaseVarDesc(variable);
    }
}

void dumpImplemented(ITypeInfo* type, const TYPEATTR& attributes, std::vector<std::string>& lines)
{
    for (UINT index = 0; index < attributes.cImplTypes; ++index) {
        ComRef<ITypeInfo> implemented = implementedType(type, index);
        INT flags = 0;
        type->GetImplTypeFlags(index, &flags);
        std::string line = "  implements " + (implemented ? typeName(implemented.get()) : "<unresolved>");
        if (flags & IMPLTYPEFLAG_FDEFAULT) line += " default";
        if (flags & IMPLTYPEFLAG_FSOURCE) line += " source";
        if (flags & ~(IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) line += " flags=" + hex(flags);
        lines.push_back(line);
    }
}

// A type's header line, then its constants, bases or classes' interfaces, and functions (a dual
// interface's dispatch side repeats its virtual-table side's members: header line only).
void dumpType(ITypeInfo* type, std::vector<std::string>& lines)
{
    TypeAttributes attributes = attributesOf(type);
    if (!attributes) {
        lines.push_back("<unreadable type " + typeName(type) + ">");
        return;
    }
    std::string line = std::string(kindName(attributes->typekind)) + " " + typeName(type);
    if (attributes->typekind != TKIND_ENUM && attributes->typekind != TKIND_ALIAS && attributes->typekind != TKIND_MODULE)
        line += " " + guidText(attributes->guid);
    if (attributes->typekind == TKIND_ALIAS) line += " = " + describe(type, attributes->tdescAlias);
    if (attributes->wTypeFlags) line += " flags=" + hex(attributes->wTypeFlags);
    if (attributes->typekind == TKIND_INTERFACE || attributes->typekind == TKIND_DISPATCH)
        line += " slots=" + std::to_string(attributes->cbSizeVft / sizeof(void*));
    lines.push_back(line);
    if (attributes->typekind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL)) return;
    dumpConstants(type, *attributes, lines);
    dumpImplemented(type, *attributes, lines);
    std::set<MEMBERID> named;
    for (UINT index = 0; index < attributes->cFuncs; ++index) lines.push_back(functionLine(type, index, named));
}

}  // namespace

TypeAttributes attributesOf(ITypeInfo* type)
{
    TYPEATTR* attributes = nullptr;
    if (FAILED(type->GetTypeAttr(&attributes))) attributes = nullptr;
    return TypeAttributes(attributes, [type](TYPEATTR* held) { type->ReleaseTypeAttr(held); });
}

FunctionDescription functionOf(ITypeInfo* type, UINT index)
{
    FUNCDESC* function = nullptr;
    if (FAILED(type->GetFuncDesc(index, &function))) function = nullptr;
    return FunctionDescription(function, [type](FUNCDESC* held) { type->ReleaseFuncDesc(held); });
}

std::wstring besideProgram(const wchar_t* file) { return tools::besideThisProgram(file); }

ComRef<ITypeLib> loadModuleTypeLibrary()
{
    ITypeLib* library = nullptr;
    if (FAILED(LoadTypeLibEx(besideProgram(L"TavoMessenger.dll").c_str(), REGKIND_NONE, &library))) return nullptr;
    return ComRef<ITypeLib>(library);
}

std::string narrow(const wchar_t* text)
{
    std::string result;
    for (; text && *text; ++text) result += static_cast<char>(*text);
    return result;
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

ComRef<ITypeInfo> interfaceSide(ITypeInfo* dispatchSide) { return implementedType(dispatchSide, static_cast<UINT>(-1)); }

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

std::vector<std::string> dumpTypeLibrary(ITypeLib* library)
{
    std::vector<std::string> lines;
    TLIBATTR* attributes = nullptr;
    BSTR name = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
        library->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
        lines.push_back("library " + narrow(name) + " " + guidText(attributes->guid) + " " +
                        std::to_string(attributes->wMajorVerNum) + "." + std::to_string(attributes->wMinorVerNum) +
                        " lcid=" + hex(attributes->lcid) + " flags=" + hex(attributes->wLibFlags));
        SysFreeString(name);
        library->ReleaseTLibAttr(attributes);
    }
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        ITypeInfo* type = nullptr;
        if (FAILED(library->GetTypeInfo(index, &type))) {
            lines.push_back("<unreadable type " + std::to_string(index) + ">");
            continue;
        }
        ComRef<ITypeInfo> held(type);
        dumpType(type, lines);
        // A dual interface's virtual-table side holds its slots and its base.
        if (attributesOf(type)->wTypeFlags & TYPEFLAG_FDUAL) {
            ComRef<ITypeInfo> vtable = interfaceSide(type);
            if (vtable) dumpType(vtable.get(), lines);
            else lines.push_back("<no interface side>");
        }
    }
    // The IDL compiler numbers the unnamed enumerations behind the public aliases; the numbers say nothing.
    const std::regex generated("__WIDL_[A-Za-z]+_generated_name_[0-9A-Fa-f]+");
    for (std::string& line : lines) line = std::regex_replace(line, generated, "(unnamed)");
    return lines;
}

}  // namespace typelib_test
