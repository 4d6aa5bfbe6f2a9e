#include "ContactFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::Variant;
using fakeoffice::FakeOfficeSink;

namespace {

const int kReaders = 3;
const int kRounds = 40;
const int kLookupEvery = 4;

class ContactConcurrencyTest : public ContactFixture
{
protected:
    // Office on one of its threads: a contact made, watched, read and released, and now and then a lookup.
    void officeThread(int index)
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
            for (int round = 0; round < kRounds; ++round) {
                ComPtr<IUCCContact> contact;
                if (manager->GetContactByUri(Bstr(round % 2 ? kBob : kUser).get(), contact.out()) != S_OK) {
                    ++failures;
                    continue;
                }
                ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(DIID__IUCCContactEvents, journal);
                sink->advise(contact.get());
                readEverything(contact.get());
                if (round % kLookupEvery == index % kLookupEvery) {
                    ComPtr<IUCCAsynchronousOperation> operation;
                    if (manager->Lookup(Bstr(L"bob.builder@mail.example.com").get(), callback.get(), *Variant().get(),
                                        operation.out()) == S_OK)
                        ++lookups;
                    else
                        ++failures;
                }
                sink->unadvise();
            }
        }
        CoUninitialize();
        ++finished;
    }

    void readEverything(IUCCContact* contact)
    {
        Variant value;
        if (contact->GetContactInformation(ucPresenceAvailability, value.out()) != S_OK ||
            !validAvailabilities.count(value.get()->lVal))
            ++failures;
        contact->GetContactInformation(ucPresenceCustomActivity, value.out());
        contact->GetContactInformation(ucPresenceContactEndpoints, value.out());
        extensionsutils::SafeArray types = int32Array({ucPresenceDisplayName, ucPresenceActivity, ucPresenceTitle});
        ComPtr<IUCCContactInformationDictionary> batch;
        if (contact->BatchGetContactInformation(types.get(), batch.out()) != S_OK) ++failures;
        ComPtr<IUCCContactSettingDictionary> settings;
        if (contact->get_Settings(settings.out()) != S_OK) ++failures;
        VARIANT_BOOL canStart = VARIANT_FALSE;
        if (contact->CanStart(ucModalityInstantMessage, &canStart) != S_OK) ++failures;
    }

    // The host, meanwhile: presence, names and tags change all the time.
    void hostThread()
    {
        for (int round = 0; finished.load() < kReaders; ++round) {
            host().setPresence(kBob, 1 + round % 5, L"changing");
            host().fireContactChanged(kBob, {4, 5, 1});
            host().fireContactChanged(kUser, {4, 3});
        }
        ++finished;
    }

    std::atomic<int> finished{0};
    std::atomic<int> failures{0};
    std::atomic<int> lookups{0};
    const std::set<LONG> validAvailabilities{3500, 15500, 9500, 18500};
};

} // namespace

TEST_F(ContactConcurrencyTest, OfficeThreadsReadAndLookUpWhileTheHostFiresChanges)
{
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"bob.builder@mail.example.com", kBob);

    std::vector<std::thread> threads;
    for (int i = 0; i < kReaders; ++i) threads.emplace_back([this, i] { officeThread(i); });
    threads.emplace_back([this] { hostThread(); });

    // A deadlock would hang the joins below: give the threads a generous while, then stop the program.
    for (int waited = 0; finished.load() < kReaders + 1; waited += 10) {
        if (waited > 120000) {
            std::fprintf(stderr, "threads still running after two minutes: deadlock\n");
            std::abort();
        }
        Sleep(10);
    }
    for (std::thread& thread : threads) thread.join();
    host().waitForHostThread();
    settleWorker();

    EXPECT_EQ(failures.load(), 0);
    std::size_t reported = 0;
    for (const fakeoffice::OfficeEvent& event : journal->events())
        if (event.id == UCCContactManager::OnLookupId) ++reported;
    EXPECT_EQ(reported, static_cast<std::size_t>(lookups.load())) << "every lookup answered exactly once";
    EXPECT_GT(lookups.load(), 0);
    EXPECT_EQ(host().openReadTransactions(), 0u);
    journal.reset(); // the events held the contacts they were about
    EXPECT_EQ(host().contactSinkCount(kBob), 0u) << "every contact let go of its watching";
    EXPECT_EQ(host().contactSinkCount(kUser), 0u);
}
