#pragma once

// The contact list as GetContacts hands it out: the sign-in names at the time it was made.

#include "support/FakeComObject.h"

#include <string>
#include <vector>

namespace fakehost {

class FakeContacts : public FakeDispatchObject<IContacts> {
public:
    FakeContacts(std::shared_ptr<FakeHost> host, std::vector<std::wstring> signinNames);

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, IDispatch** contact) override;

private:
    const std::vector<std::wstring> signinNames_;
};

} // namespace fakehost
