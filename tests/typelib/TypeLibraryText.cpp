#include "TypeLibraryText.h"

#include "TavoMessengerLib.h"
#include "extensionsutils/Bstr.h"
#include "extensionsutils/GuidText.h"
#include "extensionsutils/Utf8.h"

#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace typelib_test {
namespace {

using extensionsutils::toUtf8;
const GUID kAutomationStandardLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

std::string guidText(const GUID& guid) { return toUtf8(extensionsutils::guidText(guid)); }
std::string hex(unsigned long value) { return (std::ostringstream() << "0x" << std::hex << value).str(); }

ComPtr<ITypeInfo> implementedType(ITypeInfo* type, UINT index)
{
    HREFTYPE reference = 0;
    return SUCCEEDED(type->GetRefTypeOfImplType(index, &reference)) ? referencedType(type, reference) : nullptr;
}

// A named type of this library or of the automation standard library by its name; one of any other
// library (which the typelib marshaler may not find) also names that library.
std::string referenceName(ITypeInfo* context, HREFTYPE reference)
{
    ComPtr<ITypeInfo> referenced = referencedType(context, reference);
    if (!referenced) return "<unresolved>";
    ComPtr<ITypeLib> owner;
    UINT index = 0;
    TLIBATTR* attributes = nullptr;
    if (FAILED(referenced->GetContainingTypeLib(owner.out(), &index)) || FAILED(owner->GetLibAttr(&attributes)))
        return typeName(referenced.get()) + "@?";
    const GUID library = attributes->guid;
    owner->ReleaseTLibAttr(attributes);
    const bool known = library == LIBID_TavoMessengerLib || library == kAutomationStandardLibrary;
    return typeName(referenced.get()) + (known ? "" : "@" + guidText(library));
}

std::string describe(ITypeInfo* context, const TYPEDESC& type)
{
    static const std::map<VARTYPE, const char*> names = {
        {VT_I4, "long"}, {VT_UI4, "unsigned long"}, {VT_INT, "int"}, {VT_I8, "int64"}, {VT_UI8, "uint64"},
        {VT_BSTR, "BSTR"}, {VT_VARIANT, "VARIANT"}, {VT_BOOL, "VARIANT_BOOL"}, {VT_DISPATCH, "IDispatch*"},
        {VT_UNKNOWN, "IUnknown*"}, {VT_HRESULT, "HRESULT"}, {VT_VOID, "void"}};
    if (type.vt == VT_PTR) return describe(context, *type.lptdesc) + "*";
    if (type.vt == VT_SAFEARRAY) return "SAFEARRAY(" + describe(context, *type.lptdesc) + ")";
    if (type.vt == VT_USERDEFINED) return referenceName(context, type.hreftype);
    const auto name = names.find(type.vt);
    return name != names.end() ? name->second : "VT_" + std::to_string(type.vt);
}

const char* kindName(TYPEKIND kind)
{
    static const char* const names[] = {"enum", "record", "module", "interface", "dispatch", "coclass", "alias", "union"};
    return kind >= 0 && kind < TKIND_MAX ? names[kind] : "union";
}

const char* invokeName(INVOKEKIND kind)
{ return kind == INVOKE_PROPERTYGET ? "get" : kind == INVOKE_PROPERTYPUT ? "put" : kind == INVOKE_PROPERTYPUTREF ? "putref" : "method"; }

std::string defaultValue(const PARAMDESC& parameter)
{
    if (!parameter.pparamdescex) return "?";
    const VARIANT& value = parameter.pparamdescex->varDefaultValue;
    if (value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) return value.punkVal ? "object" : "null";
    VARIANT text{};
    if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR))) return "VT_" + std::to_string(value.vt);
    const std::string result = "\"" + toUtf8(text.bstrVal) + "\"";
    VariantClear(&text);
    return result;
}

std::string parameterText(ITypeInfo* type, const ELEMDESC& element, const std::string& name)
{
    static const std::pair<USHORT, const char*> flagNames[] = {{PARAMFLAG_FIN, " in"}, {PARAMFLAG_FOUT, " out"},
        {PARAMFLAG_FRETVAL, " retval"}, {PARAMFLAG_FLCID, " lcid"}, {PARAMFLAG_FOPT, " optional"}};
    std::string text = describe(type, element.tdesc) + (name.empty() ? "" : " " + name);
    for (const auto& [flag, flagName] : flagNames) if (element.paramdesc.wParamFlags & flag) text += flagName;
    if (element.paramdesc.wParamFlags & PARAMFLAG_FHASDEFAULT) text += " default=" + defaultValue(element.paramdesc);
    return text;
}

// "  7 0x503 get Window(IDispatch** ppMWindow out retval)" for a virtual-table member; dispatch-only
// members have no slot. GetNames answers by dispatch identifier, so the parameter names are those of the
// member declared first under it: later ones (a property put after its get) show types only.
std::string functionLine(ITypeInfo* type, UINT index, std::set<MEMBERID>& named)
{
    FunctionDescription function = functionOf(type, index);
    if (!function) return "  <unreadable function " + std::to_string(index) + ">";
    const std::vector<std::string> names = memberNames(type, function->memid);
    const bool parameterNames = named.insert(function->memid).second;
    std::string line = "  ";
    if (function->funckind != FUNC_DISPATCH) line += std::to_string(function->oVft / sizeof(void*)) + " ";
    line += hex(static_cast<unsigned long>(function->memid)) + " " + invokeName(function->invkind) + " ";
    line += (names.empty() ? "?" : names[0]) + "(";
    for (SHORT parameter = 0; parameter < function->cParams; ++parameter) {
        // A property put's value has no name; GetNames then answers one name fewer.
        const size_t nameIndex = static_cast<size_t>(parameter) + 1;
        const std::string name = parameterNames && nameIndex < names.size() ? names[nameIndex] : "";
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

std::string constantLine(ITypeInfo* type, UINT index)
{
    VARDESC* variable = nullptr;
    if (FAILED(type->GetVarDesc(index, &variable))) return "  <unreadable constant " + std::to_string(index) + ">";
    const std::vector<std::string> names = memberNames(type, variable->memid);
    VARIANT value{};
    std::string text = "?";
    if (variable->varkind == VAR_CONST && SUCCEEDED(VariantChangeType(&value, variable->lpvarValue, 0, VT_I8)))
        text = std::to_string(value.llVal);
    type->ReleaseVarDesc(variable);
    return "  " + (names.empty() ? "?" : names[0]) + " = " + text;
}

std::string implementedLine(ITypeInfo* type, UINT index)
{
    ComPtr<ITypeInfo> implemented = implementedType(type, index);
    INT flags = 0;
    type->GetImplTypeFlags(index, &flags);
    std::string line = "  implements " + (implemented ? typeName(implemented.get()) : "<unresolved>");
    if (flags & IMPLTYPEFLAG_FDEFAULT) line += " default";
    if (flags & IMPLTYPEFLAG_FSOURCE) line += " source";
    if (flags & ~(IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) line += " flags=" + hex(flags);
    return line;
}

bool isDual(ITypeInfo* type)
{
    TypeAttributes attributes = attributesOf(type);
    return attributes && (attributes->wTypeFlags & TYPEFLAG_FDUAL);
}

// A type's header line, then its constants, bases or classes' interfaces, and functions (a dual
// interface's dispatch side repeats its virtual-table side's members: header line only).
void dumpType(ITypeInfo* type, std::vector<std::string>& lines)
{
    TypeAttributes attributes = attributesOf(type);
    if (!attributes) return lines.push_back("<unreadable type " + typeName(type) + ">");
    const TYPEKIND kind = attributes->typekind;
    std::string line = std::string(kindName(kind)) + " " + typeName(type);
    if (kind != TKIND_ENUM && kind != TKIND_ALIAS && kind != TKIND_MODULE) line += " " + guidText(attributes->guid);
    if (kind == TKIND_ALIAS) line += " = " + describe(type, attributes->tdescAlias);
    if (attributes->wTypeFlags) line += " flags=" + hex(attributes->wTypeFlags);
    if (kind == TKIND_INTERFACE || kind == TKIND_DISPATCH)
        line += " slots=" + std::to_string(attributes->cbSizeVft / sizeof(void*));
    lines.push_back(line);
    if (kind == TKIND_DISPATCH && (attributes->wTypeFlags & TYPEFLAG_FDUAL)) return;
    for (UINT index = 0; index < attributes->cVars; ++index) lines.push_back(constantLine(type, index));
    for (UINT index = 0; index < attributes->cImplTypes; ++index) lines.push_back(implementedLine(type, index));
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

std::string typeName(ITypeInfo* type)
{
    extensionsutils::Bstr name;
    return SUCCEEDED(type->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr)) ? toUtf8(name.str()) : "";
}

ComPtr<ITypeInfo> referencedType(ITypeInfo* type, HREFTYPE reference)
{
    ComPtr<ITypeInfo> referenced;
    return SUCCEEDED(type->GetRefTypeInfo(reference, referenced.out())) ? referenced : nullptr;
}

std::vector<std::string> memberNames(ITypeInfo* type, MEMBERID member)
{
    BSTR names[64] = {};
    UINT count = 0;
    std::vector<std::string> result;
    if (FAILED(type->GetNames(member, names, 64, &count))) return result;
    for (UINT index = 0; index < count; ++index) {
        result.push_back(toUtf8(names[index]));
        SysFreeString(names[index]);
    }
    return result;
}

void forEachType(ITypeLib* library, const std::function<void(UINT index, ITypeInfo* type, ITypeInfo* vtable)>& visit)
{
    for (UINT index = 0; index < library->GetTypeInfoCount(); ++index) {
        ComPtr<ITypeInfo> type, vtable;
        // A dual interface's dispatch side names its interface side as implemented type -1.
        if (SUCCEEDED(library->GetTypeInfo(index, type.out())) && isDual(type.get())) vtable = implementedType(type.get(), UINT(-1));
        visit(index, type.get(), vtable.get());
    }
}

std::vector<std::string> dumpTypeLibrary(ITypeLib* library)
{
    std::vector<std::string> lines;
    TLIBATTR* attributes = nullptr;
    if (SUCCEEDED(library->GetLibAttr(&attributes))) {
        extensionsutils::Bstr name;
        library->GetDocumentation(-1, name.out(), nullptr, nullptr, nullptr);
        lines.push_back("library " + toUtf8(name.str()) + " " + guidText(attributes->guid) + " " +
                        std::to_string(attributes->wMajorVerNum) + "." + std::to_string(attributes->wMinorVerNum) +
                        " lcid=" + hex(attributes->lcid) + " flags=" + hex(attributes->wLibFlags));
        library->ReleaseTLibAttr(attributes);
    }
    forEachType(library, [&](UINT index, ITypeInfo* type, ITypeInfo* vtable) {
        if (!type) return lines.push_back("<unreadable type " + std::to_string(index) + ">");
        dumpType(type, lines);
        if (vtable) dumpType(vtable, lines);
        else if (isDual(type)) lines.push_back("<no interface side>");
    });
    // The IDL compiler numbers the unnamed enumerations behind the public aliases; the numbers say nothing.
    const std::regex generated("__WIDL_[A-Za-z]+_generated_name_[0-9A-Fa-f]+");
    for (std::string& line : lines) line = std::regex_replace(line, generated, "(unnamed)");
    return lines;
}

}  // namespace typelib_test
