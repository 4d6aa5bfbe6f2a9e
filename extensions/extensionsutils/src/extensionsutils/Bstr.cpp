#include "extensionsutils/Bstr.h"

#include "extensionsutils/Utf8.h"

#include <utility>

namespace extensionsutils {

Bstr::Bstr(const wchar_t* text) : value_(text ? SysAllocString(text) : nullptr) {}

Bstr::Bstr(const wchar_t* text, UINT length) : value_(text ? SysAllocStringLen(text, length) : nullptr) {}

Bstr::Bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}

Bstr::Bstr(const Bstr& other) : value_(other.value_ ? SysAllocStringLen(other.value_, other.length()) : nullptr) {}

Bstr::Bstr(Bstr&& other) noexcept : value_(other.value_)
{
    other.value_ = nullptr;
}

Bstr::~Bstr()
{
    SysFreeString(value_);
}

Bstr& Bstr::operator=(const Bstr& other)
{
    Bstr(other).swap(*this);
    return *this;
}

Bstr& Bstr::operator=(Bstr&& other) noexcept
{
    Bstr(std::move(other)).swap(*this);
    return *this;
}

Bstr Bstr::fromUtf8(const std::string& utf8)
{
    return Bstr(toUtf16(utf8));
}

BSTR* Bstr::out()
{
    reset();
    return &value_;
}

BSTR Bstr::detach()
{
    BSTR value = value_;
    value_ = nullptr;
    return value;
}

void Bstr::attach(BSTR value)
{
    if (value == value_) return;
    SysFreeString(value_);
    value_ = value;
}

void Bstr::reset()
{
    SysFreeString(value_);
    value_ = nullptr;
}

HRESULT Bstr::copyTo(BSTR* target) const
{
    if (!target) return E_POINTER;
    BSTR copy = SysAllocStringLen(value_, length());
    if (!copy) return E_OUTOFMEMORY;
    *target = copy;
    return S_OK;
}

std::wstring Bstr::str() const
{
    return value_ ? std::wstring(value_, length()) : std::wstring();
}

std::string Bstr::toUtf8() const
{
    return extensionsutils::toUtf8(value_, length());
}

void Bstr::swap(Bstr& other) noexcept
{
    std::swap(value_, other.value_);
}

bool operator==(const Bstr& a, const Bstr& b)
{
    const UINT length = a.length();
    if (length != b.length()) return false;
    return length == 0 || std::char_traits<wchar_t>::compare(a.get(), b.get(), length) == 0;
}

} // namespace extensionsutils
