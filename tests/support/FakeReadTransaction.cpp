#include "support/FakeReadTransaction.h"

namespace fakehost {

FakeReadTransaction::FakeReadTransaction(std::shared_ptr<FakeHost> host) : FakeComObject<IUnknown>(std::move(host))
{
    this->host().readTransactionOpened();
}

FakeReadTransaction::~FakeReadTransaction()
{
    host().readTransactionClosed();
}

} // namespace fakehost
