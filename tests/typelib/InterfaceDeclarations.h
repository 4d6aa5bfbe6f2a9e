// The declarations that Office and the module rely on, as tables: every interface the module implements
// (dual) and every event and callback interface it fires or calls (dispatch-only), member by member in
// virtual-table or declaration order.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <ostream>
#include <vector>

namespace typelib_test {

enum class MemberKind { kMethod = INVOKE_FUNC, kGet = INVOKE_PROPERTYGET, kPut = INVOKE_PROPERTYPUT };
constexpr MemberKind kMethod = MemberKind::kMethod;
constexpr MemberKind kGet = MemberKind::kGet;
constexpr MemberKind kPut = MemberKind::kPut;

// Parameter marks as PARAMFLAG combinations.
constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kOut = PARAMFLAG_FOUT;
constexpr USHORT kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
constexpr USHORT kInOptional = PARAMFLAG_FIN | PARAMFLAG_FOPT;
constexpr USHORT kRetvalOptional = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL | PARAMFLAG_FOPT;
constexpr USHORT kInDefault = PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;
constexpr USHORT kRetvalDefault = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;

struct ParameterDeclaration {
    const char* type;  // "BSTR*", "IDispatch**", "SAFEARRAY(IUCCContact*)*", an enumeration's name, ...
    const char* name;  // null: unnamed (the value of a property put)
    USHORT marks;
};

struct MemberDeclaration {
    int slot;  // virtual-table slot; for a dispatch-only interface, the declaration order
    DISPID dispid;
    MemberKind kind;
    const char* name;
    std::vector<ParameterDeclaration> parameters;
};

struct InterfaceDeclaration {
    const char* name;
    const char* iid;
    const char* base;     // null for a dispatch-only interface
    const IID* headerIid; // the same identity as the C++ code sees it
    std::vector<MemberDeclaration> members;
};

// Test output names the interface rather than printing its bytes.
inline void PrintTo(const InterfaceDeclaration& declaration, std::ostream* out) { *out << declaration.name; }

const std::vector<InterfaceDeclaration>& dualInterfaces();
const std::vector<InterfaceDeclaration>& dispatchInterfaces();

}  // namespace typelib_test
