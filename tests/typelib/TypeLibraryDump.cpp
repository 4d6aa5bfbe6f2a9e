#include "TypeLibraryDump.h"

#include "TypeLibraryInspection.h"

#include <cstdio>
#include <regex>
#include <set>

namespace typelib_test {
namespace {

std::string hex(unsigned long value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

const char* kindName(TYPEKIND kind)
{
    switch (kind) {
    case TKIND_ENUM: return "enum";
    case TKIND_RECORD: return "record";
    case TKIND_MODULE: return "module";
    case TKIND_INTERFACE: return "interface";
    case TKIND_DISPATCH: return "dispatch";
    case TKIND_COCLASS: return "coclass";
    case TKIND_ALIAS: return "alias";
    default: return "union";
    }
}

const char* invokeName(INVOKEKIND kind)
{
    switch (kind) {
    case INVOKE_PROPERTYGET: return "get";
    case INVOKE_PROPERTYPUT: return "put";
    case INVOKE_PROPERTYPUTREF: return "putref";
    default: return "method";
    }
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
    FunctionDescription function(type, index);
    if (!function.valid()) return "  <unreadable function " + std::to_string(index) + ">";
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
    TypeAttributes attributes(type);
    if (!attributes.valid()) {
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
    dumpConstants(type, *attributes.operator->(), lines);
    dumpImplemented(type, *attributes.operator->(), lines);
    std::set<MEMBERID> named;
    for (UINT index = 0; index < attributes->cFuncs; ++index) lines.push_back(functionLine(type, index, named));
}

}  // namespace

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
        if (TypeAttributes(type)->wTypeFlags & TYPEFLAG_FDUAL) {
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
