#pragma once

// What the Messenger and UC tests ask of the module late-bound, as Office asks: a member that must give a
// code (and a value), a table of such rows, and the plain values inside what comes back.

#include "common/LateBoundCall.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

// The tests call members late-bound as Office does, through the tools' one late-bound call.
using tools::byReference;
using tools::dispatchIdOf;
using tools::missingArgument;
using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;
using Strings = std::vector<std::wstring>;
using Int32s = std::vector<LONG>;

constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kCall = DISPATCH_METHOD;

// What an out-parameter holds before a call that must not write it.
template <class T>
T* sentinel() { return reinterpret_cast<T*>(0x5150); }

inline Variant text(const wchar_t* value) { return Variant::fromString(value); }
inline Variant number(LONG value) { return Variant::fromInt32(value); }
inline Variant truth(bool value) { return Variant::fromBool(value); }
inline std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The member, called by name, must answer `result`; its value.
inline Variant answer(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<Variant>& arguments = {},
                      HRESULT result = S_OK)
{
    tools::LateBoundResult called = tools::callByName(object, name, flags, arguments);
    EXPECT_EQ(called.member, result) << narrow(name);
    return std::move(called.value);
}
inline Variant property(IDispatch* object, const wchar_t* name, const std::vector<Variant>& arguments = {})
{
    return answer(object, name, kGet, arguments);
}

// Same type and equal value (VarCmp alone takes an empty value for an empty string).
inline bool sameValue(const Variant& actual, const Variant& expected)
{
    return actual.type() == expected.type() &&
           VarCmp(const_cast<VARIANT*>(actual.get()), const_cast<VARIANT*>(expected.get()), 0, 0) == VARCMP_EQ;
}

// One member of a late-bound table: the call, its answer, and the value it gives unless that is left empty.
struct MemberRow {
    const wchar_t* name;
    WORD flags;
    std::vector<Variant> arguments;
    HRESULT result = S_OK;
    Variant value = Variant();
    std::optional<HRESULT> refused = std::nullopt; // in a refused run, this answer instead of the run's
};
// Every row answers as it says; in a refused run (`refusal` given) with its own `refused` or else `refusal`.
inline void expectAnswers(IDispatch* object, const std::vector<MemberRow>& rows, std::optional<HRESULT> refusal = std::nullopt)
{
    for (const MemberRow& row : rows) {
        SCOPED_TRACE(::testing::Message() << narrow(row.name) << (refusal ? " refused" : "") << ", flags " << row.flags);
        const Variant value = answer(object, row.name, row.flags, row.arguments, refusal ? row.refused.value_or(*refusal) : row.result);
        if (!refusal && !row.value.isEmpty()) { EXPECT_TRUE(sameValue(value, row.value)); }
    }
}

// The value is of this type (a failure where it is not).
inline bool holds(const Variant& value, VARTYPE type)
{
    EXPECT_EQ(value.type(), type);
    return value.type() == type;
}
inline std::wstring stringOf(const Variant& value)
{
    return holds(value, VT_BSTR) ? std::wstring(value.get()->bstrVal ? value.get()->bstrVal : L"", SysStringLen(value.get()->bstrVal))
                                 : L"<not a string>";
}
inline LONG int32Of(const Variant& value) { return holds(value, VT_I4) ? value.get()->lVal : -1; }
inline ComPtr<IDispatch> objectOf(const Variant& value)
{
    return holds(value, VT_DISPATCH) ? ComPtr<IDispatch>(value.get()->pdispVal) : nullptr;
}

// The elements of an array a VARIANT holds, after checking that it is one-dimensional from 0 and holds `type`.
template <class T>
std::vector<T> elementsOf(const Variant& value, VARTYPE type)
{
    std::vector<T> values;
    if (!holds(value, VT_ARRAY | type)) return values;
    SAFEARRAY* array = value.get()->parray;
    LONG lower = -1;
    VARTYPE held = VT_EMPTY;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetVartype(array, &held);
    EXPECT_TRUE(SafeArrayGetDim(array) == 1 && lower == 0 && held == type) << "lower bound " << lower << ", type " << held;
    if constexpr (std::is_same_v<T, LONG>) extensionsutils::readInt32s(array, values);
    if constexpr (std::is_same_v<T, std::wstring>) extensionsutils::readStrings(array, values);
    if constexpr (std::is_same_v<T, ComPtr<IDispatch>>) extensionsutils::readDispatches(array, values);
    if constexpr (std::is_same_v<T, Variant>) extensionsutils::readVariants(array, values);
    return values;
}

// A one-dimensional array of `type` (VT_BSTR, VT_I4 or VT_VARIANT) whose first index is `lowerBound`.
template <class T>
SafeArray arrayFrom(VARTYPE type, const std::vector<T>& values, LONG lowerBound = 0)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    SafeArray array(SafeArrayCreate(type, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lowerBound + i;
        if constexpr (std::is_same_v<T, std::wstring>) SafeArrayPutElement(array.get(), &index, Bstr(values[i]).get());
        if constexpr (std::is_same_v<T, LONG>) SafeArrayPutElement(array.get(), &index, const_cast<LONG*>(&values[i]));
        if constexpr (std::is_same_v<T, Variant>) SafeArrayPutElement(array.get(), &index, const_cast<VARIANT*>(values[i].get()));
    }
    return array;
}
inline Variant arrayArgument(SafeArray array) { return Variant::fromSafeArray(array.detach()); }
inline SafeArray int32Array(const Int32s& values, LONG lowerBound = 0) { return arrayFrom(VT_I4, values, lowerBound); }

// A by-reference string as a script passes its variable; null: a reference to nothing.
inline VARIANT referenceTo(BSTR* variable = nullptr)
{
    VARIANT value{};
    value.vt = VT_BSTR | VT_BYREF;
    value.pbstrVal = variable;
    return value;
}
