#include "IUCOfficeIntegration/values/UCCContactSettingChangedEventData.h"

#include <utility>

void UCCContactSettingChangedEventData::setSetting(ContactSetting newSetting)
{
    vorn::ExclusiveGuard guard(lock);
    setting = newSetting;
}

HRESULT UCCContactSettingChangedEventData::setValue(const VARIANT& newValue)
{
    extensionsutils::Variant copy;
    const HRESULT hr = VariantCopy(copy.out(), const_cast<VARIANT*>(&newValue)); // the SDK header lacks const
    if (FAILED(hr)) return hr;
    vorn::ExclusiveGuard guard(lock);
    value.swap(copy);
    return S_OK;
}

HRESULT UCCContactSettingChangedEventData::get_Value(VARIANT* currentValue)
{
    if (!currentValue) return E_POINTER;
    VariantInit(currentValue);
    vorn::SharedGuard guard(lock);
    return value.copyTo(currentValue);
}
