#pragma once

// A presence object: the host presence value and its display text, fixed when it is made.

#include "support/FakeComObject.h"

#include <string>

namespace fakehost {

class FakePresenceState : public FakeDispatchObject<IPresenceState> {
public:
    FakePresenceState(std::shared_ptr<FakeHost> host, long presence, std::wstring text);

    HRESULT STDMETHODCALLTYPE get_PresenceString(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE get_PresenceState(LONG* state) override;

private:
    const long presence_;
    const std::wstring text_;
};

} // namespace fakehost
