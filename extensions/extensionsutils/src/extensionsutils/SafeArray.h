#pragma once

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <type_traits>
#include <vector>

namespace extensionsutils {

// Owning one-dimensional SAFEARRAY. The arrays built here have lower bound 0; a builder that cannot
// allocate returns an empty owner (test with operator bool). Not synchronised.
class SafeArray
{
public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* owned) : array_(owned) {}
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;
    SafeArray(SafeArray&& other) noexcept;
    SafeArray& operator=(SafeArray&& other) noexcept;
    ~SafeArray();

    static SafeArray ofStrings(const std::vector<std::wstring>& values);
    static SafeArray ofVariants(const std::vector<Variant>& values);
    // 32-bit values, enumerations included (VT_I4).
    static SafeArray ofInt32s(const std::vector<LONG>& values);

    template <class I>
    static SafeArray ofDispatches(const std::vector<ComPtr<I>>& values)
    {
        static_assert(std::is_base_of<IDispatch, I>::value, "elements must be IDispatch interfaces");
        std::vector<IDispatch*> pointers;
        try {
            pointers.reserve(values.size());
        } catch (const std::bad_alloc&) {
            return SafeArray(); // out of memory, as an array that could not be made
        }
        for (const ComPtr<I>& value : values) pointers.push_back(value.get());
        return ofDispatchPointers(pointers);
    }
    static SafeArray ofDispatchPointers(const std::vector<IDispatch*>& values);

    SAFEARRAY* get() const { return array_; }
    explicit operator bool() const { return array_ != nullptr; }
    // For an out-parameter: destroys what it holds and hands the slot to the callee.
    SAFEARRAY** out();
    SAFEARRAY* detach();
    void attach(SAFEARRAY* owned);
    void reset();

private:
    SAFEARRAY* array_ = nullptr;
};

// Readers of a received array: it must have exactly one dimension and the expected element type
// (SafeArrayGetVartype); it is walked from its lower to its upper bound, whatever the lower bound.
// E_POINTER for a null array, E_INVALIDARG for another dimension count or element type. The output is
// written only on success.
HRESULT readStrings(SAFEARRAY* array, std::vector<std::wstring>& values);
// VT_I4 or VT_INT elements (enumerations arrive as either).
HRESULT readInt32s(SAFEARRAY* array, std::vector<LONG>& values);
HRESULT readVariants(SAFEARRAY* array, std::vector<Variant>& values);
HRESULT readDispatches(SAFEARRAY* array, std::vector<ComPtr<IDispatch>>& values);

// The bounds of a one-dimensional array after the checks above, for callers that walk it themselves.
HRESULT vectorBounds(SAFEARRAY* array, VARTYPE expectedType, LONG& lower, LONG& upper);

} // namespace extensionsutils
