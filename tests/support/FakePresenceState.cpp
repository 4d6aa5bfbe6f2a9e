#include "support/FakePresenceState.h"

#include "support/FakeAnswers.h"

namespace fakehost {

FakePresenceState::FakePresenceState(std::shared_ptr<FakeHost> host, long presence, std::wstring text)
    : FakeDispatchObject<IPresenceState>(std::move(host)), presence_(presence), text_(std::move(text))
{
}

HRESULT FakePresenceState::get_PresenceString(BSTR* text)
{
    return answerString(host(), HostMethod::GetPresenceString, text, [&] { return std::optional<std::wstring>(text_); });
}

HRESULT FakePresenceState::get_PresenceState(LONG* state)
{
    return answerValue<LONG>(host(), HostMethod::GetPresenceState, state, [&] { return std::optional<LONG>(presence_); });
}

} // namespace fakehost
