#pragma once

// The object of a contact's read transaction: open while it is referenced.

#include "support/FakeComObject.h"

namespace fakehost {

class FakeReadTransaction : public FakeComObject<IUnknown> {
public:
    explicit FakeReadTransaction(std::shared_ptr<FakeHost> host);
    ~FakeReadTransaction() override;
};

} // namespace fakehost
