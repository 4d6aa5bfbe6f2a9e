#include "IUCOfficeIntegration/values/UCCLocaleString.h"

#include "extensionsutils/Bstr.h"

#include <utility>

namespace {

const LONG unknownLocale = -1;

} // namespace

UCCLocaleString::UCCLocaleString(std::wstring text)
    : value(std::move(text))
{
}

void UCCLocaleString::setValue(const std::wstring& text)
{
    vorn::ExclusiveGuard guard(lock);
    value = text;
}

HRESULT UCCLocaleString::get_LocaleId(LONG* localeId)
{
    if (!localeId) return E_POINTER;
    *localeId = unknownLocale;
    return S_OK;
}

HRESULT UCCLocaleString::get_Value(BSTR* text)
{
    if (!text) return E_POINTER;
    *text = nullptr;
    vorn::SharedGuard guard(lock);
    return extensionsutils::Bstr(value).copyTo(text);
}
