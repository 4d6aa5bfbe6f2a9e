#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/Variant.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

// The argument of a contact's OnSettingChanged: which setting changed and its new value.
// Threads: any; `lock` guards `setting` and `value`, shared for Office's reads, exclusive for the setters.
class UCCContactSettingChangedEventData
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCContactSettingChangedEventData, &IID_IUCCContactSettingChangedEventData,
                                           &LIBID_TavoMessengerLib> {
public:
    using Interfaces =
        extensionsutils::InterfaceTable<IUCCContactSettingChangedEventData,
                                        extensionsutils::Via<IDispatch, IUCCContactSettingChangedEventData>>;

    void setSetting(ContactSetting newSetting);
    // Keeps a copy; the copy's failure is returned and the value held before stays.
    HRESULT setValue(const VARIANT& newValue);

    HRESULT STDMETHODCALLTYPE get_Setting(ContactSetting* changedSetting) override;
    HRESULT STDMETHODCALLTYPE get_Value(VARIANT* currentValue) override;

private:
    vorn::ReadWriteLock lock;
    ContactSetting setting = ucContactTagged;
    extensionsutils::Variant value;
};
