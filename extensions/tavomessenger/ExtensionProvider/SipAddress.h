#pragma once

#include "extensionsutils/Bstr.h"

#include <windows.h>
#include <oleauto.h>

#include <string>

// Office 2013/2016 knows people by SIP URI: a contact's Uri is "sip:" followed by the host's sign-in name,
// and Office asks for people again by the URI it was given. The host knows the sign-in name alone. These
// say whether an address carries the scheme (in any letter case) and give it without.
namespace SipAddress {

bool hasSipPrefix(const wchar_t* address, std::size_t length);
bool hasSipPrefix(BSTR address);

// The address without a leading "sip:"; unchanged when it has none.
std::wstring withoutSipPrefix(const std::wstring& address);
extensionsutils::Bstr withoutSipPrefix(BSTR address);

} // namespace SipAddress
