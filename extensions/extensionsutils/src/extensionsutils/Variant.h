#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace extensionsutils {

class Bstr;

// Owning VARIANT: cleared (VariantClear) when it lets go; copies are deep (VariantCopy).
// Not synchronised.
class Variant
{
public:
    Variant();
    explicit Variant(const VARIANT& value);
    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    ~Variant();

    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;

    static Variant fromString(const wchar_t* text);
    static Variant fromString(const std::wstring& text);
    static Variant fromBstr(Bstr&& value);
    static Variant fromInt32(LONG value);
    static Variant fromBool(bool value);
    static Variant fromDispatch(IDispatch* value);
    static Variant fromUnknown(IUnknown* value);
    // Takes over the array; the type becomes VT_ARRAY | its element type. An array whose element type is
    // unknown is destroyed and the result is empty.
    static Variant fromSafeArray(SAFEARRAY* owned);

    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARTYPE type() const { return value_.vt; }
    bool isEmpty() const { return value_.vt == VT_EMPTY; }

    // For an out-parameter: clears what it holds and hands the slot to the callee.
    VARIANT* out();
    // Moves the value to the caller's VARIANT (which must not hold anything to free); leaves this empty.
    HRESULT detach(VARIANT* target);
    // Writes a deep copy to a caller's VARIANT (initialised first, so it may be uninitialised).
    HRESULT copyTo(VARIANT* target) const;
    void reset();

    void swap(Variant& other) noexcept;

private:
    VARIANT value_;
};

// A copy of an argument with any by-reference wrapping (as script callers pass their variables) removed,
// so that the copy does not point into the caller's memory. A reference to nothing is refused
// (E_INVALIDARG); `copy` changes only on success.
HRESULT copyByValue(const VARIANT& argument, Variant& copy);

} // namespace extensionsutils
