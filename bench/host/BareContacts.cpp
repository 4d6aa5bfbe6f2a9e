#include "host/BareContacts.h"

#include "host/BareHost.h"

namespace bench {

HRESULT BareContacts::get_Count(LONG* count)
{
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(contacts_->size());
    return S_OK;
}

HRESULT BareContacts::Item(LONG index, IDispatch** contact)
{
    if (!contact) return E_POINTER;
    *contact = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= contacts_->size()) return S_OK;
    return (*contacts_)[static_cast<std::size_t>(index)].copyTo(contact);
}

HRESULT BareContacts::get__NewEnum(IUnknown** enumerator)
{
    if (!enumerator) return E_POINTER;
    if (!bareSignedIn()) return static_cast<HRESULT>(0x8100031E); // MSGR_E_NOT_LOGGED_ON, as the module asks
    const auto fresh = extensionsutils::ComObject<BareContacts>::create(contacts_);
    if (!fresh) return E_OUTOFMEMORY;
    return fresh.identity()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(enumerator));
}

HRESULT BareContacts::Next(ULONG count, VARIANT* items, ULONG* fetched)
{
    if (count > 0 && !items) return E_POINTER;
    ULONG done = 0;
    for (; done < count && position_ < contacts_->size(); ++done, ++position_) {
        VariantInit(&items[done]);
        items[done].vt = VT_DISPATCH;
        (*contacts_)[position_].copyTo(&items[done].pdispVal);
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
}

} // namespace bench
