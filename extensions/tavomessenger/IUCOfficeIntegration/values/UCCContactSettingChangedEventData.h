#pragma once

#include "IUCOfficeIntegration/Answer.h"
#include "IUCOfficeIntegration/DispatchObject.h"

#include "extensionsutils/Variant.h"
#include "vorn/ReadWriteLock.h"

// The argument of a contact's OnSettingChanged: which setting changed and its new value.
// Threads: any; `lock` guards `setting` and `value`, shared for Office's reads, exclusive for the setters.
class UCCContactSettingChangedEventData
    : public DispatchObject<IUCCContactSettingChangedEventData, &IID_IUCCContactSettingChangedEventData>
{
public:
    void setSetting(ContactSetting newSetting);
    // Keeps a copy; the copy's failure is returned and the value held before stays.
    HRESULT setValue(const VARIANT& newValue);

    HRESULT STDMETHODCALLTYPE get_Setting(ContactSetting* changedSetting) override
    {
        return answerShared(lock, setting, changedSetting);
    }
    HRESULT STDMETHODCALLTYPE get_Value(VARIANT* currentValue) override;

private:
    vorn::ReadWriteLock lock;
    ContactSetting setting = ucContactTagged;
    extensionsutils::Variant value;
};
