#include "LocaleStringServer.h"

#include "extensionsutils/Bstr.h"

#include <string>

std::wstring LocaleStringServer::valueFor(DWORD processId)
{
    return L"served by process " + std::to_wstring(processId) + L" \u00e9";
}

HRESULT LocaleStringServer::get_LocaleId(LONG* localeId)
{
    if (!localeId) return E_POINTER;
    *localeId = 0x409;
    return S_OK;
}

HRESULT LocaleStringServer::get_Value(BSTR* value)
{
    if (!value) return E_POINTER;
    return extensionsutils::Bstr(valueFor(GetCurrentProcessId())).copyTo(value);
}

HRESULT LocaleStringServerFactory::CreateInstance(IUnknown* outer, REFIID iid, void** result)
{
    if (!result) return E_POINTER;
    *result = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return extensionsutils::ComObject<LocaleStringServer>::createInstance(iid, result);
}
