#pragma once

// The host's logger: answers the enabled host levels and records every record written to it, whether its
// level is enabled or not.

#include "support/FakeComObject.h"

namespace fakehost {

class FakeLogger : public FakeDispatchObject<ILogger> {
public:
    explicit FakeLogger(std::shared_ptr<FakeHost> host);

    HRESULT STDMETHODCALLTYPE WriteRecord(LONG level, BSTR file, LONG line, BSTR function, BSTR message) override;
    HRESULT STDMETHODCALLTYPE IsLevelEnabled(LONG level, VARIANT_BOOL* enabled) override;
};

} // namespace fakehost
