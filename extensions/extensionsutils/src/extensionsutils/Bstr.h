#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace extensionsutils {

// Owning BSTR. A null BSTR is the empty string, as OLE Automation treats it.
// Not synchronised.
class Bstr
{
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text);
    Bstr(const wchar_t* text, UINT length);
    explicit Bstr(const std::wstring& text);
    Bstr(const Bstr& other);
    Bstr(Bstr&& other) noexcept;
    ~Bstr();

    Bstr& operator=(const Bstr& other);
    Bstr& operator=(Bstr&& other) noexcept;

    static Bstr fromUtf8(const std::string& utf8);

    BSTR get() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }

    // For an out-parameter: frees what it holds and hands the slot to the callee.
    BSTR* out();
    BSTR detach();
    // Takes over a BSTR the caller owns.
    void attach(BSTR value);
    void reset();

    // Writes a copy to an out-parameter: E_POINTER for a null target, E_OUTOFMEMORY if the copy fails.
    // The empty string is handed out as an empty (non-null) BSTR.
    HRESULT copyTo(BSTR* target) const;

    UINT length() const { return SysStringLen(value_); }
    bool empty() const { return length() == 0; }
    std::wstring str() const;
    std::string toUtf8() const;

    void swap(Bstr& other) noexcept;

private:
    BSTR value_ = nullptr;
};

bool operator==(const Bstr& a, const Bstr& b);
inline bool operator!=(const Bstr& a, const Bstr& b) { return !(a == b); }

} // namespace extensionsutils
