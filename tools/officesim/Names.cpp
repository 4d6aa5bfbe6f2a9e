#include "officesim/Names.h"

#include <cwchar>
#include <utility>

namespace officesim {

namespace {

struct Named {
    long value;
    const wchar_t* name;
};

// The results a Messenger/UC client meets: the module's own, OLE Automation's and COM's remoting failures.
const Named hresultNames[] = {
    {static_cast<long>(0x00000000L), L"S_OK"},
    {static_cast<long>(0x00000001L), L"S_FALSE"},
    {static_cast<long>(0x80004001L), L"E_NOTIMPL"},
    {static_cast<long>(0x80004002L), L"E_NOINTERFACE"},
    {static_cast<long>(0x80004003L), L"E_POINTER"},
    {static_cast<long>(0x80004004L), L"E_ABORT"},
    {static_cast<long>(0x80004005L), L"E_FAIL"},
    {static_cast<long>(0x8000000AL), L"E_PENDING"},
    {static_cast<long>(0x8000FFFFL), L"E_UNEXPECTED"},
    {static_cast<long>(0x80070005L), L"E_ACCESSDENIED"},
    {static_cast<long>(0x8007000EL), L"E_OUTOFMEMORY"},
    {static_cast<long>(0x80070057L), L"E_INVALIDARG"},
    {static_cast<long>(0x8100031EL), L"MSGR_E_NOT_LOGGED_ON"},
    {static_cast<long>(0x8100030AL), L"contact not found"},
    {static_cast<long>(0x80040154L), L"REGDB_E_CLASSNOTREG"},
    {static_cast<long>(0x80080005L), L"CO_E_SERVER_EXEC_FAILURE"},
    {static_cast<long>(0x800401FDL), L"CO_E_OBJNOTCONNECTED"},
    {static_cast<long>(0x800401F0L), L"CO_E_NOTINITIALIZED"},
    {static_cast<long>(0x80010001L), L"RPC_E_CALL_REJECTED"},
    {static_cast<long>(0x80010007L), L"RPC_E_SERVER_DIED"},
    {static_cast<long>(0x80010012L), L"RPC_E_SERVER_DIED_DNE"},
    {static_cast<long>(0x80010108L), L"RPC_E_DISCONNECTED"},
    {static_cast<long>(0x8001010DL), L"RPC_E_CANTCALLOUT_ININPUTSYNCCALL"},
    {static_cast<long>(0x8001010EL), L"RPC_E_WRONG_THREAD"},
    {static_cast<long>(0x800706BAL), L"RPC_S_SERVER_UNAVAILABLE"},
    {static_cast<long>(0x800706BEL), L"RPC_S_CALL_FAILED"},
    {static_cast<long>(0x800706BFL), L"RPC_S_CALL_FAILED_DNE"},
    {static_cast<long>(0x80020003L), L"DISP_E_MEMBERNOTFOUND"},
    {static_cast<long>(0x80020004L), L"DISP_E_PARAMNOTFOUND"},
    {static_cast<long>(0x80020005L), L"DISP_E_TYPEMISMATCH"},
    {static_cast<long>(0x80020006L), L"DISP_E_UNKNOWNNAME"},
    {static_cast<long>(0x80020008L), L"DISP_E_BADVARTYPE"},
    {static_cast<long>(0x80020009L), L"DISP_E_EXCEPTION"},
    {static_cast<long>(0x8002000BL), L"DISP_E_BADINDEX"},
    {static_cast<long>(0x8002000EL), L"DISP_E_BADPARAMCOUNT"},
    {static_cast<long>(0x8002000FL), L"DISP_E_PARAMNOTOPTIONAL"},
    {static_cast<long>(0x8002801DL), L"TYPE_E_LIBNOTREGISTERED"},
};

const Named statusNames[] = {
    {0x0, L"Unknown"},          {0x1, L"Offline"},          {0x2, L"Online"},
    {0x6, L"Invisible"},        {0xa, L"Busy"},             {0xe, L"Be right back"},
    {0x12, L"Idle"},            {0x22, L"Away"},            {0x32, L"On the phone"},
    {0x42, L"Out to lunch"},    {0x52, L"In a meeting"},    {0x62, L"Out of office"},
    {0x72, L"Do not disturb"},  {0x82, L"In a conference"}, {0x92, L"Allow urgent interruptions"},
    {0xa2, L"May be available"}, {0xb2, L"Custom"},          {0x100, L"Finding server"},
    {0x200, L"Connecting"},     {0x300, L"Synchronizing"},  {0x400, L"Disconnecting"},
};

const Named availabilityNames[] = {
    {0, L"None"},       {3500, L"Free"},           {5000, L"Free idle"},
    {6500, L"Busy"},    {7500, L"Busy idle"},      {9500, L"Do not disturb"},
    {12500, L"Be right back"}, {15500, L"Away"},   {18500, L"Offline"},
};

template <std::size_t N>
const wchar_t* nameIn(const Named (&table)[N], long value)
{
    for (const Named& entry : table) {
        if (entry.value == value) return entry.name;
    }
    return nullptr;
}

} // namespace

std::wstring hresultText(HRESULT hr)
{
    wchar_t hex[16] = {};
    std::swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    const wchar_t* name = nameIn(hresultNames, static_cast<long>(hr));
    return name ? std::wstring(hex) + L" (" + name + L")" : std::wstring(hex);
}

std::wstring statusName(long status)
{
    const wchar_t* name = nameIn(statusNames, status);
    return name ? std::wstring(name) : L"status " + std::to_wstring(status);
}

bool isKnownStatus(long status)
{
    return nameIn(statusNames, status) != nullptr;
}

std::wstring availabilityName(long availability)
{
    const wchar_t* name = nameIn(availabilityNames, availability);
    return name ? std::wstring(name) : L"availability " + std::to_wstring(availability);
}

bool isKnownAvailability(long availability)
{
    return nameIn(availabilityNames, availability) != nullptr;
}

std::wstring variantTypeName(VARTYPE type)
{
    static const std::pair<VARTYPE, const wchar_t*> names[] = {
        {VT_EMPTY, L"VT_EMPTY"},       {VT_NULL, L"VT_NULL"},   {VT_I2, L"VT_I2"},
        {VT_I4, L"VT_I4"},             {VT_BSTR, L"VT_BSTR"},   {VT_DISPATCH, L"VT_DISPATCH"},
        {VT_ERROR, L"VT_ERROR"},       {VT_BOOL, L"VT_BOOL"},   {VT_VARIANT, L"VT_VARIANT"},
        {VT_UNKNOWN, L"VT_UNKNOWN"},   {VT_UI4, L"VT_UI4"},     {VT_INT, L"VT_INT"},
        {VT_UINT, L"VT_UINT"},         {VT_I8, L"VT_I8"},       {VT_UI1, L"VT_UI1"},
    };
    std::wstring text;
    if (type & VT_ARRAY) text += L"VT_ARRAY|";
    if (type & VT_BYREF) text += L"VT_BYREF|";
    const VARTYPE base = type & VT_TYPEMASK;
    for (const auto& entry : names) {
        if (entry.first == base) return text + entry.second;
    }
    return text + L"VT " + std::to_wstring(base);
}

std::wstring withoutSipScheme(const std::wstring& uri)
{
    return uri.compare(0, 4, L"sip:") == 0 ? uri.substr(4) : uri;
}

} // namespace officesim

namespace officesim {

std::wstring informationTypeName(long type)
{
    switch (type) {
    case 0: return L"availability";
    case 1: return L"activity id";
    case 7: return L"activity";
    case 8: return L"custom activity";
    case 10: return L"display name";
    case 11: return L"IM addresses (legacy)";
    case 14: return L"title";
    case 27: return L"endpoints";
    case 50: return L"IM addresses";
    default: return L"type " + std::to_wstring(type);
    }
}

std::wstring clientStateName(long state)
{
    static const wchar_t* const names[] = {L"uninitialized", L"signed out", L"signing in", L"signed in",
                                           L"signing out",   L"shutting down", L"initializing"};
    const std::wstring number = L" (" + std::to_wstring(state) + L")";
    if (state >= 0 && state < 7) return names[state] + number;
    return L"state" + number;
}

} // namespace officesim
