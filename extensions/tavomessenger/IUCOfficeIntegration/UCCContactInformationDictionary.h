#pragma once

#include "IUCOfficeIntegration/DictionaryImpl.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"

#include "TavoMessengerLib.h"

// The answer of a contact's BatchGetContactInformation: information types and their values.
// Threads: filled through add() by the contact before it is handed out, then read by Office from any
// thread; no lock (see DictionaryImpl).
class UCCContactInformationDictionary
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCContactInformationDictionary, &IID_IUCCContactInformationDictionary,
                                           &LIBID_TavoMessengerLib> {
public:
    using Interfaces =
        extensionsutils::InterfaceTable<IUCCContactInformationDictionary,
                                        extensionsutils::Via<IDispatch, IUCCContactInformationDictionary>>;

    HRESULT add(ContactInformationType key, const VARIANT& value);

    HRESULT STDMETHODCALLTYPE get_Values(SAFEARRAY** values) override;
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_Item(ContactInformationType key, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE get_Keys(SAFEARRAY** keys) override;
    HRESULT STDMETHODCALLTYPE TryGetValue(ContactInformationType key, VARIANT* value, VARIANT_BOOL* found) override;
    HRESULT STDMETHODCALLTYPE GetKeyAt(LONG index, ContactInformationType* key) override;
    HRESULT STDMETHODCALLTYPE GetValueAt(LONG index, VARIANT* value) override;
    HRESULT STDMETHODCALLTYPE ContainsKey(ContactInformationType key, VARIANT_BOOL* found) override;

private:
    DictionaryImpl<ContactInformationType> dictionary;
};
