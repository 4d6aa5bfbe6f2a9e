#pragma once

#include "IUCOfficeIntegration/DictionaryImpl.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"

#include "TavoMessengerLib.h"

// A contact's settings (its Settings answer): the tag flag and the telephone endpoints.
// Threads: filled through add() by the contact before it is handed out, then read by Office from any
// thread; no lock (see DictionaryImpl).
class UCCContactSettingsDictionary
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCContactSettingDictionary, &IID_IUCCContactSettingDictionary,
                                           &LIBID_TavoMessengerLib> {
public:
    using Interfaces =
        extensionsutils::InterfaceTable<IUCCContactSettingDictionary,
                                        extensionsutils::Via<IDispatch, IUCCContactSettingDictionary>>;

    HRESULT add(ContactSetting key, const VARIANT& value);

    HRESULT STDMETHODCALLTYPE get_Keys(SAFEARRAY** keys) override;
    HRESULT STDMETHODCALLTYPE get_Values(SAFEARRAY** values) override;
    HRESULT STDMETHODCALLTYPE TryGetValue(ContactSetting key, VARIANT* value, VARIANT_BOOL* found) override;
    HRESULT STDMETHODCALLTYPE get_Item(ContactSetting key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE GetKeyAt(LONG index, ContactSetting* key) override;
    HRESULT STDMETHODCALLTYPE GetValueAt(LONG index, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE ContainsKey(ContactSetting key, VARIANT_BOOL* found) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;

private:
    DictionaryImpl<ContactSetting> dictionary;
};
