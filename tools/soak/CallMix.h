#pragma once

// Office's day in calls: one mixed call at a time on both APIs and both bindings, chosen by a seeded
// generator. It looks people up and lets them go again (GetContact, GetContactByUri, then Release), reads
// presence and numbers, advises and unadvises a contact's events, creates and drops subscriptions, and now
// and then resolves an e-mail address. Each call must succeed; what did not is counted and the first few
// are kept for the report.
//
// One Office thread owns it; the link's proxies belong to that thread's apartment.

#include "soak/EventTally.h"
#include "soak/OfficeLink.h"

#include "officesim/LateBoundMessengerApi.h"
#include "officesim/LateBoundUcApi.h"
#include "officesim/VtableMessengerApi.h"
#include "officesim/VtableUcApi.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace soak {

struct MixFigures {
    long calls = 0;
    long unexpected = 0;             // calls that did not answer as specified
    std::vector<std::wstring> first; // the first few of them, described
};

class CallMix {
public:
    CallMix(OfficeLink& link, unsigned seed);

    // One mixed call (a few COM calls: a lookup and what Office does with the contact).
    void next();
    const MixFigures& figures() const { return figures_; }

private:
    officesim::MessengerApi& messengerApi();
    officesim::UcApi& ucApi();
    int anyContact();
    template <class T>
    bool expect(const wchar_t* call, const officesim::Answer<T>& answer);

    void messengerGetters();
    void messengerLookup();
    void messengerContacts();
    void messengerResolve();
    void ucLookup();
    void ucSinkChurn();
    void ucSubscriptionChurn();
    void ucClient();

    OfficeLink& link_;
    std::mt19937 random_;
    officesim::VtableMessengerApi vtableMessenger_;
    officesim::LateBoundMessengerApi lateMessenger_;
    officesim::VtableUcApi vtableUc_;
    officesim::LateBoundUcApi lateUc_;
    std::shared_ptr<EventTally> churnTally_; // the churned sinks' events: not judged
    MixFigures figures_;
};

} // namespace soak
