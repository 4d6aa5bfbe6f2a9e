#pragma once

// The user's contact list as Office 2007/2010 sees it (IMessengerContacts): filled once from the host
// client's contacts collection by initialise and never changed afterwards. get__NewEnum hands out a
// snapshot copy, which is also an IEnumVARIANT over its contacts, so that late-bound callers can walk it
// with For Each.
//
// Threads: Office's COM threads. `lock` guards the list and the enumeration position and is held for the
// whole of each operation; Item and initialise call into contacts while holding it (collection first,
// then contact), host calls included.

#include "Configuration.h"
#include "ExtensionProvider/HostObjectHolds.h"

#include "TavoMessengerLib.h"
#include "extensionsutils/ComObject.h"
#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchImpl.h"
#include "extensionsutils/InterfaceTable.h"
#include "vorn/Mutex.h"

#include <windows.h>
#include <oaidl.h>

#include <cstddef>
#include <memory>
#include <vector>

class CTavoMessengerContacts
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IMessengerContacts, &IID_IMessengerContacts, &LIBID_TavoMessengerLib>,
      public IEnumVARIANT
{
public:
    using Interfaces = extensionsutils::InterfaceTable<extensionsutils::Via<IDispatch, IMessengerContacts>,
                                                       IMessengerContacts, IEnumVARIANT>;
    using Contacts = std::vector<extensionsutils::ComPtr<IMessengerContact>>;

    // Guarded: while the host's user is signed out nothing is done (MSGR_E_NOT_LOGGED_ON). Otherwise
    // converts every contact of the host's collection (IContacts) into a Messenger contact, in the host's
    // order, and asks the host to watch each of them. The contacts keep their presence source with `holds`.
    HRESULT initialise(IDispatch* hostContacts, std::shared_ptr<Configuration> configuration,
                       const std::shared_ptr<HostObjectHolds>& holds = nullptr);

    // IMessengerContacts
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE Item(LONG index, IDispatch** contact) override;
    HRESULT STDMETHODCALLTYPE Remove(IDispatch* contact) override;
    HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override;

    // IEnumVARIANT: each contact as VT_DISPATCH, in list order. Not guarded: it walks a snapshot.
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** enumerator) override;

protected:
    CTavoMessengerContacts();
    // A snapshot of another collection's list, its enumeration at `position`.
    CTavoMessengerContacts(const Contacts& contacts, std::size_t position);
    ~CTavoMessengerContacts();

private:
    // Both run under `lock`, from initialise. The conversion is false when the host's collection cannot be
    // read at all; then there is nothing to watch.
    bool ConvertContactsToMessengerContacts(IDispatch* hostContacts, const std::shared_ptr<Configuration>& configuration,
                                            const std::shared_ptr<HostObjectHolds>& holds);
    void StartWatchingAllContacts();

    vorn::Mutex lock;
    const std::shared_ptr<Contacts> contacts;
    std::size_t position = 0;
};
