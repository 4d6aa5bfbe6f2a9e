// Host change codes becoming Office's contact events on the worker thread; contacts held only weakly by
// everything the host or the queue holds; Office threads reading while the host fires.

#include "UcFixture.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <thread>

namespace {

const DISPID kInformationChanged = 400;
const DISPID kSettingChanged = 401;

// Details whose change handler the test holds, to deliver host events the fake host cannot send.
class HandDeliveredDetails : public ContactDetails {
public:
    void startWatchingContact(ChangeHandler changeHandler) override { handler = std::move(changeHandler); }
    HRESULT getUri(BSTR* uri) override { return Bstr(L"carol@example.com").copyTo(uri); }
    HRESULT getDisplayName(BSTR*) override { return E_FAIL; }
    HRESULT getPresenceString(BSTR*) override { return E_FAIL; }
    LONG getPresenceState() override { return 0; }
    HRESULT getWorkNumber(BSTR*) override { return E_FAIL; }
    HRESULT getMobileNumber(BSTR*) override { return E_FAIL; }
    HRESULT getHomeNumber(BSTR*) override { return E_FAIL; }
    HRESULT getOtherNumber(BSTR*) override { return E_FAIL; }
    HRESULT getTagged(VARIANT_BOOL*) override { return E_FAIL; }
    std::shared_ptr<TransactionLock> getReadTransactionLock() override { return nullptr; }

    // Hands the handler one argument, as the host's event carries it.
    void deliver(VARIANT argument)
    {
        DISPPARAMS parameters = {&argument, nullptr, 1, 0};
        handler(&parameters);
    }

    ChangeHandler handler;
};

class ContactEvents : public UcFixture {
protected:
    // Each event as its id and what it carries: the changed types, or the tag's value for a setting.
    std::vector<std::pair<DISPID, Int32s>> heard()
    {
        std::vector<std::pair<DISPID, Int32s>> result;
        for (const OfficeEvent& event : journal->events()) {
            EXPECT_EQ(event.apartment, "MTA");
            EXPECT_EQ(event.arguments.size(), 2u);
            IDispatch* data = event.arguments.at(1).get()->pdispVal;
            if (event.id == kSettingChanged) {
                EXPECT_EQ(callByName(data, L"Setting", DISPATCH_PROPERTYGET).value.get()->lVal, ucContactTagged);
                result.push_back({event.id, {callByName(data, L"Value", DISPATCH_PROPERTYGET).value.get()->boolVal}});
            } else {
                const Variant types = callByName(data, L"ChangedContactInformation", DISPATCH_PROPERTYGET).value;
                result.push_back({event.id, elementsOf<LONG>(types, VT_I4)});
            }
        }
        return result;
    }

    ComPtr<IUCCContact> handDelivered(std::shared_ptr<HandDeliveredDetails>& details)
    {
        details = std::make_shared<HandDeliveredDetails>();
        ComPtr<IUCCContact> contact;
        EXPECT_EQ(manager->createContact(details, contact.out()), S_OK);
        EXPECT_TRUE(details->handler);
        return contact;
    }
};

// Codes: 1 name, 2 nothing Office reads, 3 numbers, 4 presence, 5 tag (fired at once as its setting).
TEST_F(ContactEvents, ChangeCodesBecomeInformationAndSettingEventsInArrayOrder)
{
    using Heard = std::vector<std::pair<DISPID, Int32s>>;
    struct Row {
        std::vector<long> codes;
        Heard heard;
    };
    const Row rows[] = {
        {{4, 1}, {{kInformationChanged, {0, 1, 8, 7, 10}}}},
        {{3, 5, 3, 2, 4}, {{kSettingChanged, {VARIANT_TRUE}}, {kInformationChanged, {27, 27, 0, 1, 8, 7}}}},
        {{5}, {{kSettingChanged, {VARIANT_TRUE}}}},
        {{2}, {}},
        {{}, {}},
        {{0, 6, -1}, {}},
    };
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseSink(bob.get());
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.codes));
        journal = std::make_shared<fakeoffice::OfficeEventJournal>();
        sinks.back()->unadvise();
        adviseSink(bob.get());
        EXPECT_EQ(host().fireContactChanged(kBob, row.codes), std::vector<HRESULT>{S_OK});
        runOnWorker([] {});
        EXPECT_EQ(heard(), row.heard);
        EXPECT_EQ(heard(), row.heard) << "each read is a new array: the first one's destruction left it whole";
    }
    journal = std::make_shared<fakeoffice::OfficeEventJournal>();
    sinks.back()->unadvise();
    adviseSink(bob.get());
    host().fireContactChanged(kBob, {1}, 2); // another event of the host contact
    host().failMethod(HostMethod::GetIsTagged);
    host().fireContactChanged(kBob, {5});
    runOnWorker([] {});
    EXPECT_EQ(heard(), (Heard{{kSettingChanged, {VARIANT_FALSE}}})) << "an unreadable tag reads as not tagged";
}

TEST_F(ContactEvents, TheHostsHandlerHoldsTheContactWeaklyAndTakesOnlyAnArrayOfCodes)
{
    std::shared_ptr<HandDeliveredDetails> details;
    ComPtr<IUCCContact> contact = handDelivered(details);
    adviseSink(contact.get());
    details->handler(nullptr);
    DISPPARAMS empty = {nullptr, nullptr, 0, 0};
    details->handler(&empty);
    details->deliver(*Variant::fromString(L"1").get());
    details->deliver(*Variant::fromSafeArray(SafeArray::ofStrings({L"1"}).detach()).get());
    Variant codes = Variant::fromSafeArray(int32Array({1}).detach());
    VARIANT reference; // as some hosts pass them
    reference.vt = VT_BYREF | VT_ARRAY | VT_I4;
    reference.pparray = &codes.get()->parray;
    details->deliver(reference);
    runOnWorker([] {});
    EXPECT_EQ(journal->count(), 1u);
    EXPECT_EQ(host().loggedCount(L"Contact data change without an array of change codes ignored"), 4u);

    sinks.back()->unadvise();
    sinks.clear();
    journal = std::make_shared<fakeoffice::OfficeEventJournal>(); // its event held the contact
    const long locksWithContact = extensionsutils::moduleLockCount();
    contact.reset();
    EXPECT_LT(extensionsutils::moduleLockCount(), locksWithContact) << "the handler kept the contact alive";
    host().clearLog();
    details->deliver(*codes.get());
    // A host that could not let go of the sink still calls it: the call reaches nothing.
    host().failMethod(HostMethod::Unadvise);
    contactFor(kBob).reset();
    EXPECT_EQ(host().contactSinkCount(kBob), 1u);
    EXPECT_EQ(host().fireContactChanged(kBob, {4, 5}), std::vector<HRESULT>{S_OK});
    runOnWorker([] {});
    EXPECT_FALSE(host().logged(L"Contact data changed"));
}

TEST_F(ContactEvents, ReleasedContactsLetGoOfTheHostAtOnceWhateverTheQueueHolds)
{
    ComPtr<IUCCContact> kept = contactFor(kBob);
    adviseSink(kept.get());
    std::vector<ComPtr<IUCCContact>> released;
    for (int i = 0; i < 10; ++i) released.push_back(contactFor(kBob));
    auto gate = std::make_shared<vorn::Event>();
    worker->AddWork(std::make_shared<Tr1FunctionWorker>([gate] { gate->wait(20000); }));
    for (int i = 0; i < 20; ++i) host().fireContactChanged(kBob, {4}); // a burst waits in the queue
    released.clear();

    EXPECT_EQ(host().contactSinkCount(kBob), 1u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(host().fireContactChanged(kBob, {4}).size(), 1u);
    gate->set();
    runOnWorker([] {});
    // The contact Office kept heard the changes: the same change still waiting for its sink is sent once.
    EXPECT_GE(journal->count(), 1u);
    EXPECT_LE(journal->count(), 25u);
}

TEST_F(ContactEvents, InTheStopWindowAChangeIsDroppedAndAContactReleasedMeanwhileDiesOffTheHostThread)
{
    manager->disconnect(); // nothing is queued for a change now
    ComPtr<IUCCContact> bob = contactFor(kBob);
    vorn::Event inHandler;
    vorn::Event released;
    host().addLogHook([&](const fakehost::LogRecord& record) {
        if (record.message != L"Contact data changed") return;
        inHandler.set();
        released.wait(20000);
    });
    std::thread office([&] {
        inHandler.wait(20000);
        bob.reset();
        released.set();
    });
    EXPECT_EQ(host().fireContactChanged(kBob, {4}), std::vector<HRESULT>{S_OK});
    office.join();
    host().clearLogHooks();

    const DWORD hostThread = host().recordsOf(L"Contact data changed").at(0).threadId;
    std::size_t destructions = 0;
    bool changed = false;
    for (const fakehost::LogRecord& record : host().logRecords()) {
        if (changed && record.function.rfind(L"UCCContact::", 0) == 0)
            EXPECT_EQ(record.function, L"UCCContact::~UCCContact") << "the dropped change logs nothing more";
        changed = changed || record.message == L"Contact data changed";
        if (record.function != L"UCCContact::~UCCContact") continue;
        ++destructions;
        EXPECT_NE(record.threadId, hostThread);
    }
    EXPECT_EQ(destructions, 1u);
    EXPECT_EQ(journal->count(), 0u);
}

// Office on three threads makes, watches, reads and releases contacts and now and then looks one up,
// while the host changes presence, names and tags all the time.
TEST_F(ContactEvents, OfficeThreadsReadAndLookUpWhileTheHostFiresChanges)
{
    const int readers = 3;
    const int rounds = 40;
    std::atomic<int> finished{0};
    std::atomic<int> failures{0};
    std::atomic<int> lookups{0};
    const std::set<LONG> validAvailabilities{3500, 15500, 9500, 18500};
    host().setResolutionMode(fakehost::FakeHost::ResolutionMode::Automatic);
    host().setResolutionAnswer(L"bob.builder@mail.example.com", kBob);

    auto office = [&](int index) {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        {
            ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, journal);
            for (int round = 0; round < rounds; ++round) {
                ComPtr<IUCCContact> contact;
                if (manager->GetContactByUri(Bstr(round % 2 ? kBob : kUser).get(), contact.out()) != S_OK) {
                    ++failures;
                    continue;
                }
                ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(DIID__IUCCContactEvents, journal);
                sink->advise(contact.get());
                Variant value;
                if (contact->GetContactInformation(ucPresenceAvailability, value.out()) != S_OK
                    || !validAvailabilities.count(value.get()->lVal))
                    ++failures;
                contact->GetContactInformation(ucPresenceContactEndpoints, value.out());
                ComPtr<IUCCContactInformationDictionary> batch;
                if (contact->BatchGetContactInformation(int32Array({10, 7, 14}).get(), batch.out()) != S_OK) ++failures;
                ComPtr<IUCCContactSettingDictionary> settings;
                if (contact->get_Settings(settings.out()) != S_OK) ++failures;
                ComPtr<IUCCAsynchronousOperation> operation;
                if (round % 4 == index
                    && manager->Lookup(Bstr(L"bob.builder@mail.example.com").get(), callback.get(), *Variant().get(),
                                       operation.out()) == S_OK)
                    ++lookups;
                sink->unadvise();
            }
        }
        CoUninitialize();
        ++finished;
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < readers; ++i) threads.emplace_back(office, i);
    threads.emplace_back([&] {
        for (int round = 0; finished.load() < readers; ++round) {
            host().setPresence(kBob, 1 + round % 5, L"changing");
            host().fireContactChanged(kBob, {4, 5, 1});
            host().fireContactChanged(kUser, {4, 3});
        }
        ++finished;
    });
    // A deadlock would hang the joins: give the threads a generous while, then end the program.
    for (int waited = 0; finished.load() < readers + 1; waited += 10) {
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
    for (const OfficeEvent& event : journal->events()) reported += event.id == UCCContactManager::OnLookupId;
    EXPECT_GT(lookups.load(), 0);
    EXPECT_EQ(reported, static_cast<std::size_t>(lookups.load())) << "every lookup answered exactly once";
    EXPECT_EQ(host().openReadTransactions(), 0u);
    journal.reset(); // the events held the contacts they were about
    EXPECT_EQ(host().contactSinkCount(kBob) + host().contactSinkCount(kUser), 0u) << "every contact stopped watching";
}

} // namespace
