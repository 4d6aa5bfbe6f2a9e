#pragma once

// For a test's lifetime: COM initialised on the calling thread, a FakeHost made and its class object
// registered for CLSID_IMAndPresence, then everything revoked, shut down and uninitialised in reverse.
//
// The default apartment is the multithreaded one, so that the module finds the class object from every
// thread of that apartment (a registration from a single-threaded apartment is visible to that thread only).
// The module's own hold on the class object (its host class object slot) is the test's to release first.

#include "support/FakeHost.h"

#include <objbase.h>

#include <memory>

namespace fakehost {

class FakeHostEnvironment {
public:
    explicit FakeHostEnvironment(DWORD apartment = COINIT_MULTITHREADED, bool registerClassObject = true)
        : initialised_(CoInitializeEx(nullptr, apartment)), host_(FakeHost::create()),
          registration_(registerClassObject ? host_->registerClassObject() : S_FALSE) {}
    ~FakeHostEnvironment()
    {
        host_->revokeClassObject();
        host_->shutdown();
        host_.reset();
        if (SUCCEEDED(initialised_)) CoUninitialize();
    }
    FakeHostEnvironment(const FakeHostEnvironment&) = delete;
    FakeHostEnvironment& operator=(const FakeHostEnvironment&) = delete;

    FakeHost& host() const { return *host_; }
    HRESULT registration() const { return registration_; }

private:
    HRESULT initialised_;
    std::shared_ptr<FakeHost> host_;
    HRESULT registration_;
};

} // namespace fakehost
