#pragma once

// The host's IPhone: records the calls it is asked to make.

#include "support/FakeComObject.h"

namespace fakehost {

class FakePhone : public FakeDispatchObject<IPhone> {
public:
    explicit FakePhone(std::shared_ptr<FakeHost> host);

    HRESULT STDMETHODCALLTYPE MakeCall(BSTR participant) override;
    HRESULT STDMETHODCALLTYPE MakeConferenceCall(SAFEARRAY* participants) override;
};

} // namespace fakehost
