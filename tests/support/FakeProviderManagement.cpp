#include "support/FakeProviderManagement.h"

#include "support/FakeAnswers.h"

namespace fakehost {

FakeProviderManagement::FakeProviderManagement(std::shared_ptr<FakeHost> host)
    : FakeDispatchObject<IProviderManagement>(std::move(host))
{
}

HRESULT FakeProviderManagement::GetLoggedInUser(IDispatch** contact)
{
    return answerObject(host(), HostMethod::GetLoggedInUser, contact, [&](IDispatch** out) {
        std::wstring signinName;
        if (!host().isClientUserSet(signinName)) return kNotFound;
        *out = host().makeContactObject(signinName).detach();
        return S_OK;
    });
}

HRESULT FakeProviderManagement::IsSignedIn(LONG* signedIn)
{
    return answerValue<LONG>(host(), HostMethod::IsSignedIn, signedIn,
                             [&] { return std::optional<LONG>(host().signedInValue()); });
}

} // namespace fakehost
