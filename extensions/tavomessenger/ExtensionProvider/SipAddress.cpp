#include "ExtensionProvider/SipAddress.h"

namespace SipAddress {

namespace {

const wchar_t scheme[] = L"sip:";
const std::size_t schemeLength = 4;

wchar_t lowerAscii(wchar_t letter)
{
    return letter >= L'A' && letter <= L'Z' ? static_cast<wchar_t>(letter - L'A' + L'a') : letter;
}

} // namespace

bool hasSipPrefix(const wchar_t* address, std::size_t length)
{
    if (!address || length < schemeLength) return false;
    for (std::size_t i = 0; i < schemeLength; ++i) {
        if (lowerAscii(address[i]) != scheme[i]) return false;
    }
    return true;
}

bool hasSipPrefix(BSTR address)
{
    return hasSipPrefix(address, SysStringLen(address));
}

std::wstring withoutSipPrefix(const std::wstring& address)
{
    return hasSipPrefix(address.data(), address.size()) ? address.substr(schemeLength) : address;
}

extensionsutils::Bstr withoutSipPrefix(BSTR address)
{
    const UINT length = SysStringLen(address);
    if (!hasSipPrefix(address, length)) return extensionsutils::Bstr(address, length);
    return extensionsutils::Bstr(address + schemeLength, length - schemeLength);
}

} // namespace SipAddress
