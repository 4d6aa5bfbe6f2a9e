#include "soak/FuzzValues.h"

#include "soak/SoakPeople.h"

#include "extensionsutils/Bstr.h"

namespace soak {

using extensionsutils::Variant;

namespace {

const std::size_t oneMegabyteOfCharacters = 512 * 1024; // UTF-16: 1 MB

} // namespace

long FuzzValues::anyLong()
{
    static const long edges[] = {0, 1, -1, 2, 3, 7, 50, 0x7FFFFFFF, static_cast<long>(0x80000000), 0x10000000, 400, 1000};
    if (next(3) == 0) return static_cast<long>(random_());
    return edges[next(sizeof(edges) / sizeof(edges[0]))];
}

std::wstring FuzzValues::anyString()
{
    switch (next(9)) {
    case 0: return std::wstring();
    case 1: return std::wstring(L"\xD800") + L"lone high" + L"\xDC00"; // unpaired surrogates at both ends
    case 2: return next(4) == 0 ? std::wstring(oneMegabyteOfCharacters, L'x') : std::wstring(300, L'y');
    case 3: return L"sip:" + contactSigninName(static_cast<int>(next(ContactCount)));
    case 4: return contactEmail(static_cast<int>(next(ContactCount)));
    case 5: return L"15.0.0.0";
    case 6: return std::wstring(L"a\0b", 3); // an embedded null
    case 7: return L"sip:";
    default: return contactSigninName(static_cast<int>(next(ContactCount)));
    }
}

SAFEARRAY* FuzzValues::anyArray()
{
    static const VARTYPE types[] = {VT_I4, VT_BSTR, VT_VARIANT, VT_I2, VT_DISPATCH, VT_BOOL};
    const VARTYPE type = types[next(sizeof(types) / sizeof(types[0]))];
    static const LONG lowerBounds[] = {0, 0, 1, -5, 1000};
    SAFEARRAYBOUND bounds[2];
    const UINT dimensions = next(8) == 0 ? 2 : 1;
    for (UINT d = 0; d < dimensions; ++d) {
        bounds[d].lLbound = lowerBounds[next(5)];
        bounds[d].cElements = next(10) == 0 ? 0 : next(5);
    }
    SAFEARRAY* array = SafeArrayCreate(type, dimensions, bounds);
    if (!array || dimensions != 1) return array;
    for (ULONG i = 0; i < bounds[0].cElements; ++i) {
        LONG index = bounds[0].lLbound + static_cast<LONG>(i);
        if (type == VT_I4) {
            LONG value = anyLong();
            SafeArrayPutElement(array, &index, &value);
        } else if (type == VT_BSTR) {
            extensionsutils::Bstr text(anyString());
            SafeArrayPutElement(array, &index, text.get());
        } else if (type == VT_VARIANT) {
            Variant value = next(2) ? Variant::fromString(anyString()) : Variant::fromInt32(anyLong());
            SafeArrayPutElement(array, &index, value.get());
        }
    }
    return array;
}

Variant FuzzValues::anyValue(const std::vector<IDispatch*>& objects)
{
    Variant value;
    switch (next(16)) {
    case 0: return value;
    case 1: value.get()->vt = VT_NULL; return value;
    case 2: case 3: return Variant::fromInt32(anyLong());
    case 4: case 5: case 6: return Variant::fromString(anyString());
    case 7: value.get()->vt = VT_BSTR; value.get()->bstrVal = nullptr; return value;
    case 8: return Variant::fromBool(next(2) == 0);
    case 9: return Variant::fromDispatch(nullptr);
    case 10: return Variant::fromDispatch(objects.empty() ? nullptr : objects[next(static_cast<unsigned>(objects.size()))]);
    case 11: value.get()->vt = VT_ERROR; value.get()->scode = DISP_E_PARAMNOTFOUND; return value;
    case 12: value.get()->vt = VT_R8; value.get()->dblVal = 1e300; return value;
    case 13: value.get()->vt = VT_I2; value.get()->iVal = static_cast<SHORT>(anyLong()); return value;
    default: {
        SAFEARRAY* array = anyArray();
        if (!array) return value;
        VARTYPE type = VT_EMPTY;
        SafeArrayGetVartype(array, &type);
        value.get()->vt = static_cast<VARTYPE>(VT_ARRAY | type);
        value.get()->parray = array;
        return value;
    }
    }
}

Variant FuzzValues::valueFor(VARTYPE declared, const std::vector<IDispatch*>& objects)
{
    if (next(2) == 0) return anyValue(objects);
    switch (declared) {
    case VT_BSTR: return Variant::fromString(anyString());
    case VT_I4: case VT_INT: case VT_USERDEFINED: return Variant::fromInt32(anyLong());
    case VT_BOOL: return Variant::fromBool(next(2) == 0);
    case VT_DISPATCH: case VT_UNKNOWN:
        return Variant::fromDispatch(objects.empty() ? nullptr : objects[next(static_cast<unsigned>(objects.size()))]);
    default: return anyValue(objects);
    }
}

} // namespace soak
