#pragma once

// The fake host's COM objects, as FakeHost hands them out. Each keeps the FakeHost alive and, except the
// class object, is counted in its liveObjectCount(). Every method counts its call and lets an injected
// answer replace its work; the work reads the FakeHost's state at the time of the call.

#include "support/FakeHost.h"

#include <memory>
#include <string>

namespace fakehost {

// CLSID_IMAndPresence's class object: a new host object for every CreateInstance.
extensionsutils::ComPtr<IClassFactory> makeFakeClassObject(std::shared_ptr<FakeHost> host);
// A contact that reads its directory entry at every call and offers _IContactEvents.
extensionsutils::ComPtr<IDispatch> makeFakeContact(std::shared_ptr<FakeHost> host, const std::wstring& signinName);
extensionsutils::ComPtr<IDispatch> makeFakePresenceState(std::shared_ptr<FakeHost> host, long presence,
                                                         const std::wstring& text);
// Answers only IUnknown and IDispatch.
extensionsutils::ComPtr<IDispatch> makeFakeWrongObject(std::shared_ptr<FakeHost> host);

} // namespace fakehost
