#pragma once

// The argument arrays that Office may pass to StartConversation, in the shapes the module must accept
// (any lower bound, empty) and refuse (other element types, two dimensions).

#include "extensionsutils/Bstr.h"
#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace arrays {

inline extensionsutils::SafeArray strings(const std::vector<std::wstring>& values)
{
    return extensionsutils::SafeArray::ofStrings(values);
}

inline extensionsutils::SafeArray types(const std::vector<LONG>& values)
{
    return extensionsutils::SafeArray::ofInt32s(values);
}

inline extensionsutils::SafeArray datas(const std::vector<extensionsutils::Variant>& values)
{
    return extensionsutils::SafeArray::ofVariants(values);
}

inline extensionsutils::SafeArray noContext()
{
    return types({});
}

inline extensionsutils::SafeArray noData()
{
    return datas({});
}

// A one-dimensional array of strings whose first index is `lowerBound`.
inline extensionsutils::SafeArray stringsFrom(LONG lowerBound, const std::vector<std::wstring>& values)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    extensionsutils::SafeArray array(SafeArrayCreate(VT_BSTR, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lowerBound + i;
        extensionsutils::Bstr text(values[i]);
        SafeArrayPutElement(array.get(), &index, text.get()); // copies the string
    }
    return array;
}

// A one-dimensional array of 32-bit values whose first index is `lowerBound`.
inline extensionsutils::SafeArray typesFrom(LONG lowerBound, const std::vector<LONG>& values)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    extensionsutils::SafeArray array(SafeArrayCreate(VT_I4, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lowerBound + i;
        LONG value = values[i];
        SafeArrayPutElement(array.get(), &index, &value);
    }
    return array;
}

// A one-dimensional array of VARIANTs whose first index is `lowerBound`.
inline extensionsutils::SafeArray datasFrom(LONG lowerBound, const std::vector<extensionsutils::Variant>& values)
{
    SAFEARRAYBOUND bound = {static_cast<ULONG>(values.size()), lowerBound};
    extensionsutils::SafeArray array(SafeArrayCreate(VT_VARIANT, 1, &bound));
    for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
        LONG index = lowerBound + i;
        SafeArrayPutElement(array.get(), &index, const_cast<VARIANT*>(values[i].get())); // copies the value
    }
    return array;
}

// A two-by-two array of this element type, zero-filled.
inline extensionsutils::SafeArray twoByTwo(VARTYPE elementType)
{
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    return extensionsutils::SafeArray(SafeArrayCreate(elementType, 2, bounds));
}

} // namespace arrays
