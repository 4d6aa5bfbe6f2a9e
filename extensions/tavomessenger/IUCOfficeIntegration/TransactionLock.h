#pragma once

// Held while several values of a contact are read, so that they belong together; the hold ends when the
// last shared pointer to it goes. Kinds of contact details supply their own (ContactDetails).
class TransactionLock
{
public:
    virtual ~TransactionLock() = default;

protected:
    TransactionLock() = default;
    TransactionLock(const TransactionLock&) = delete;
    TransactionLock& operator=(const TransactionLock&) = delete;
};
