#pragma once

// The fake host client with its recording logger, and the module holding the host's class object, so
// that the module's log lines reach the fake logger for the test to read. COM is initialised for the
// test's lifetime.

#include "ExtensionProvider/HostClassObject.h"
#include "support/FakeHostEnvironment.h"

#include <string>
#include <vector>

namespace registrytest {

class HostLogCapture
{
public:
    HostLogCapture() { hostaccess::fetchHostClassObject(); }
    ~HostLogCapture() { hostaccess::releaseHostClassObject(); }

    HostLogCapture(const HostLogCapture&) = delete;
    HostLogCapture& operator=(const HostLogCapture&) = delete;

    fakehost::FakeHost& host() const { return environment_.host(); }
    std::vector<std::wstring> messages() const { return host().logMessages(); }

private:
    fakehost::FakeHostEnvironment environment_;
};

} // namespace registrytest
