#include "IUCOfficeIntegration/ContactReadTransactionLock.h"

#include <utility>

ContactReadTransactionLock::ContactReadTransactionLock(extensionsutils::ComPtr<IUnknown> hostTransaction)
    : transaction(std::move(hostTransaction))
{
}
