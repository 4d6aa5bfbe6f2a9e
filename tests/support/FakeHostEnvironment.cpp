#include "support/FakeHostEnvironment.h"

namespace fakehost {

FakeHostEnvironment::FakeHostEnvironment(DWORD apartment, bool registerClassObject)
    : initialised_(CoInitializeEx(nullptr, apartment)), host_(FakeHost::create())
{
    if (registerClassObject) registration_ = host_->registerClassObject();
}

FakeHostEnvironment::~FakeHostEnvironment()
{
    host_->revokeClassObject(), host_->shutdown(), host_.reset();
    if (SUCCEEDED(initialised_)) CoUninitialize();
}

} // namespace fakehost
