#pragma once

// The names people read in officesim's report: HRESULTs, Messenger statuses, UC availabilities, VARIANT
// types. Unknown values are shown as numbers.

#include <windows.h>
#include <wtypes.h>

#include <string>

namespace officesim {

// "0x8100031E (MSGR_E_NOT_LOGGED_ON)", "0x00000000 (S_OK)", "0x80004005 (E_FAIL)".
std::wstring hresultText(HRESULT hr);

// "Online", "Away", ... for an MISTATUS; "status 99" for a value that is not one.
std::wstring statusName(long status);
// Whether the value is a member of MISTATUS.
bool isKnownStatus(long status);

// "Free", "Away", ... for a UC availability number; "availability 42" for another value.
std::wstring availabilityName(long availability);
// Whether the value is one of the ContactAvailability numbers.
bool isKnownAvailability(long availability);

// "VT_BSTR", "VT_ARRAY|VT_VARIANT", ...
std::wstring variantTypeName(VARTYPE type);

// "sip:anna@example" -> "anna@example"; other text as it stands.
std::wstring withoutSipScheme(const std::wstring& uri);

} // namespace officesim

namespace officesim {

// "availability", "display name", ... for a ContactInformationType; "type 42" for others.
std::wstring informationTypeName(long type);

// "signed in (3)", "signed out (1)", ... for a ClientState.
std::wstring clientStateName(long state);

} // namespace officesim
