#pragma once

// One of Office's threads in a soak run, in its own apartment (STA, pumping as Office's UI threads do, or
// the MTA): it connects, advises its standing sinks (DMessengerEvents on the Messenger object and
// _IUCCContactEvents on each watched contact, held for the whole run), runs its share of mixed calls, and
// keeps receiving events until it is told to finish; then it waits until the events have stopped coming,
// checks the known answers if asked, and lets everything go.
//
// Created, started, waited for and read by officesoak's main thread; everything else runs on its thread.

#include "soak/CallMix.h"
#include "soak/CountingSink.h"
#include "soak/EventTally.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace soak {

struct ThreadSettings {
    int index = 0;
    bool singleThreadedApartment = false;
    long calls = 0;
    int watched = 0;          // how many of the first contacts get standing sinks
    int contactSinks = 0;     // UC contact sinks over those contacts, one contact object each (at least one each)
    bool keepArrivals = false;
    unsigned seed = 1;
    bool blockEvents = false; // the standing sinks hang in every event
    bool checkAtFinish = false;
};

struct ThreadResult {
    std::wstring setupProblem; // empty when the thread connected and advised
    std::vector<std::wstring> setupRetries; // why each failed attempt before the last failed
    MixFigures mix;
    std::map<std::wstring, ContactEvents> statusChanges;      // its DMessengerEvents sink, per contact
    std::map<std::wstring, ContactEvents> informationChanges; // its contact sinks, per contact
    long otherEvents = 0;
    std::wstring checkProblem; // empty when the known answers were right (or not checked)
};

class OfficeThread {
public:
    OfficeThread(ThreadSettings settings, HANDLE finish);
    ~OfficeThread();
    OfficeThread(const OfficeThread&) = delete;
    OfficeThread& operator=(const OfficeThread&) = delete;

    HANDLE ready() const { return ready_; }         // set when connected and advised (or failed to)
    HANDLE callsDone() const { return callsDone_; } // set when its calls are made
    // Waits for the thread's end; the result is complete afterwards.
    const ThreadResult& join();

private:
    void run();
    bool setUpWithRetries(OfficeLink& link);
    bool setUp(OfficeLink& link);
    void releaseAll(OfficeLink& link);
    void holdOneOfEachInterface(const OfficeLink& link);
    void waitUntilQuiet();
    void pumpFor(DWORD milliseconds);

    const ThreadSettings settings_;
    const HANDLE finish_; // manual-reset, owned by the caller
    HANDLE ready_;
    HANDLE callsDone_;
    HANDLE never_; // never set: pumping waits on it
    std::shared_ptr<EventTally> statusTally_;
    std::shared_ptr<EventTally> informationTally_;
    std::vector<extensionsutils::ComPtr<CountingSink>> sinks_;
    std::vector<officesim::Object> watchedContacts_;
    std::vector<extensionsutils::ComPtr<IUnknown>> held_; // one object per interface the calls churn
    ThreadResult result_;
    std::thread thread_;
};

} // namespace soak
