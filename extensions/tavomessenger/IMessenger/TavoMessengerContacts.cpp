#include "IMessenger/TavoMessengerContacts.h"

#include "IMessenger/SignInGuard.h"
#include "IMessenger/TavoMessengerExtensionBroker.h"
#include "logging/Results.h"

#include "HostExtensionApi.h"
#include "extensionsutils/Bstr.h"
#include "extensionsutils/MICComPtr.h"

#include <new>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::MICComPtr;

namespace {

// For log lines only: the contact's sign-in name, empty when it cannot be read.
std::string signinNameOf(IMessengerContact* contact)
{
    Bstr name;
    contact->get_SigninName(name.out());
    return name.toUtf8();
}

} // namespace

CTavoMessengerContacts::CTavoMessengerContacts() : contacts(std::make_shared<Contacts>()) {}

CTavoMessengerContacts::CTavoMessengerContacts(const Contacts& snapshot, std::size_t start)
    : contacts(std::make_shared<Contacts>(snapshot)), position(start)
{
}

CTavoMessengerContacts::~CTavoMessengerContacts()
{
    TAVO_LOG(1, "Destructing");
}

HRESULT CTavoMessengerContacts::initialise(IDispatch* hostContacts, std::shared_ptr<Configuration> configuration,
                                           const std::shared_ptr<HostObjectHolds>& holds)
{
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::collection, MSGR_E_NOT_LOGGED_ON);
    if (ConvertContactsToMessengerContacts(hostContacts, configuration, holds)) StartWatchingAllContacts();
    return S_OK;
}

bool CTavoMessengerContacts::ConvertContactsToMessengerContacts(IDispatch* hostContacts,
                                                              const std::shared_ptr<Configuration>& configuration,
                                                              const std::shared_ptr<HostObjectHolds>& holds)
{
    const ComPtr<IContacts> extensionProviderContacts = ComPtr<IDispatch>(hostContacts).as<IContacts>();
    if (!extensionProviderContacts) return TAVO_FAIL(4, "Unable to QueryInterface for IContacts from IDispatch", false);
    if (!contacts) return TAVO_FAIL(4, "Unable to fill Contacts Vector as it is null", false);
    contacts->clear();
    LONG count = 0;
    if (FAILED(extensionProviderContacts->get_Count(&count)))
        return TAVO_FAIL(4, "Unable to get count from extensionProviderContacts", false);
    for (LONG index = 0; index < count; ++index) {
        ComPtr<IDispatch> item;
        if (FAILED(extensionProviderContacts->get_Item(index, item.out()))) {
            TAVO_LOG(4, "Unable to get contact from extensionProviderContact");
            continue;
        }
        const ComPtr<IContact> hostContact = item.as<IContact>();
        if (!hostContact) {
            TAVO_LOG(4, "Unable to QueryInterface from IDispatch to IContact");
            continue;
        }
        const MICComPtr<TavoMessengerContact> messengerContact =
            TavoMessengerExtensionBroker::CreateMessengerContact(hostContact.get(), configuration, holds);
        if (!messengerContact) continue;
        const ComPtr<IMessengerContact> contact = messengerContact.as<IMessengerContact>();
        if (!contact) {
            TAVO_LOG(4, "Unable to QueryInterface IDispatch for IMessengerContact");
            continue;
        }
        try {
            contacts->push_back(contact);
        } catch (const std::bad_alloc&) {
            return TAVO_FAIL(4, "out of memory filling the Contacts Vector", true);
        }
    }
    return true;
}

void CTavoMessengerContacts::StartWatchingAllContacts()
{
    for (const ComPtr<IMessengerContact>& contact : *contacts) {
        if (const char* notWatched = TavoMessengerExtensionBroker::startWatching(contact.get())) TAVO_LOG(4, notWatched);
    }
}

HRESULT CTavoMessengerContacts::get_Count(LONG* count)
{
    if (!count) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::collection, MSGR_E_NOT_LOGGED_ON);
    *count = static_cast<LONG>(contacts->size());
    return S_OK;
}

HRESULT CTavoMessengerContacts::Item(LONG index, IDispatch** contact)
{
    if (!contact) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::collectionItem, MSGR_E_NOT_LOGGED_ON);
    TAVO_LOG(0, "Got a request for a contact");
    if (index < 0 || contacts->empty()) return TAVO_FAIL(1, "nothing to return", S_OK);
    if (static_cast<std::size_t>(index) > contacts->size() - 1)
        return TAVO_FAIL(4, "Nothing to return - index greater than list length", S_OK);
    const ComPtr<IMessengerContact>& messengerContact = (*contacts)[static_cast<std::size_t>(index)];
    if (!messengerContact) return TAVO_FAIL(4, "messengerContact is NULL nothing to return", S_OK);
    TAVO_LOG(1, "got a request for contact - " << signinNameOf(messengerContact.get()));
    return messengerContact->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(contact));
}

HRESULT CTavoMessengerContacts::Remove(IDispatch*)
{
    // The list mirrors the host's contacts; Office cannot change it.
    vorn::MutexGuard guard(lock);
    return S_OK;
}

HRESULT CTavoMessengerContacts::get__NewEnum(IUnknown** enumerator)
{
    if (!enumerator) return E_POINTER;
    vorn::MutexGuard guard(lock);
    TAVO_RETURN_IF_SIGNED_OUT(1, notloggedin::collection, MSGR_E_NOT_LOGGED_ON);
    const MICComPtr<CTavoMessengerContacts> snapshot = extensionsutils::ComObject<CTavoMessengerContacts>::create(*contacts, 0);
    if (!snapshot) return TAVO_FAIL(4, "Unable to create new Contacts Object", E_FAIL);
    return snapshot.copyTo(enumerator);
}

HRESULT CTavoMessengerContacts::Next(ULONG count, VARIANT* items, ULONG* fetched)
{
    if (fetched) *fetched = 0;
    if (count > 0 && !items) return E_POINTER;
    if (count > 1 && !fetched) return E_POINTER;
    vorn::MutexGuard guard(lock);
    ULONG done = 0;
    while (done < count && position < contacts->size()) {
        VARIANT& item = items[done];
        VariantInit(&item);
        IDispatch* dispatch = nullptr;
        const HRESULT hr = (*contacts)[position]->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
        if (FAILED(hr)) {
            // Nothing half-handed out: what was written is taken back and the position stays.
            for (ULONG i = 0; i < done; ++i) VariantClear(&items[i]);
            position -= done;
            return hr;
        }
        item.vt = VT_DISPATCH;
        item.pdispVal = dispatch;
        ++position;
        ++done;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT CTavoMessengerContacts::Skip(ULONG count)
{
    vorn::MutexGuard guard(lock);
    const std::size_t left = contacts->size() - position;
    if (count > left) {
        position = contacts->size();
        return S_FALSE;
    }
    position += count;
    return S_OK;
}

HRESULT CTavoMessengerContacts::Reset()
{
    vorn::MutexGuard guard(lock);
    position = 0;
    return S_OK;
}

HRESULT CTavoMessengerContacts::Clone(IEnumVARIANT** enumerator)
{
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    vorn::MutexGuard guard(lock);
    const MICComPtr<CTavoMessengerContacts> clone = extensionsutils::ComObject<CTavoMessengerContacts>::create(*contacts, position);
    if (!clone) return E_OUTOFMEMORY;
    return clone.copyTo(enumerator);
}
