#include "support/FakeContacts.h"

#include "support/FakeAnswers.h"

namespace fakehost {

FakeContacts::FakeContacts(std::shared_ptr<FakeHost> host, std::vector<std::wstring> signinNames)
    : FakeDispatchObject<IContacts>(std::move(host)), signinNames_(std::move(signinNames))
{
}

HRESULT FakeContacts::get_Count(LONG* count)
{
    return answerValue<LONG>(host(), HostMethod::GetCount, count,
                             [&] { return std::optional<LONG>(static_cast<LONG>(signinNames_.size())); });
}

HRESULT FakeContacts::get_Item(LONG index, IDispatch** contact)
{
    return answerObject(host(), HostMethod::GetItem, contact, [&](IDispatch** out) {
        if (index < 0 || static_cast<std::size_t>(index) >= signinNames_.size()) return E_INVALIDARG;
        *out = host().makeContactObject(signinNames_[static_cast<std::size_t>(index)]).detach();
        return S_OK;
    });
}

} // namespace fakehost
