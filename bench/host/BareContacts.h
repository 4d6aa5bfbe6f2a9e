#pragma once

// The baseline contact list: the contacts the bare Messenger object made, handed to Office as a collection
// that is also its own enumerator (as the module's list is), with no lock, no logging and no sign-in checks
// of its own. _NewEnum hands out a new enumerator over the same contacts. Any thread, one caller at a time.

#include "TavoMessengerLib.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchImpl.h"

#include <memory>
#include <vector>

namespace bench {

class BareContacts : public extensionsutils::ComObjectRoot,
                     public extensionsutils::DispatchImpl<IMessengerContacts, &IID_IMessengerContacts, &LIBID_TavoMessengerLib>,
                     public IEnumVARIANT
{
public:
    using Contacts = std::vector<extensionsutils::ComPtr<IDispatch>>;
    using Interfaces = extensionsutils::InterfaceTable<IMessengerContacts, IEnumVARIANT,
                                                       extensionsutils::Via<IDispatch, IMessengerContacts>>;

    explicit BareContacts(std::shared_ptr<const Contacts> contacts) : contacts_(std::move(contacts)) {}

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Item(LONG index, IDispatch** contact) override;
    HRESULT STDMETHODCALLTYPE Remove(IDispatch*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override;

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

private:
    const std::shared_ptr<const Contacts> contacts_;
    std::size_t position_ = 0;
};

} // namespace bench
