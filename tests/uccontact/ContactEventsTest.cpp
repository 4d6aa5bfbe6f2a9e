#include "ContactFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using extensionsutils::Bstr;
using extensionsutils::ComPtr;
using extensionsutils::SafeArray;
using extensionsutils::Variant;
using fakehost::HostMethod;
using fakeoffice::OfficeEvent;

namespace {

const DISPID kInformationChanged = 400;
const DISPID kSettingChanged = 401;

// Details whose change handler the test holds, to deliver host events the fake host cannot send.
class HandDeliveredDetails : public ContactDetails
{
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

    ChangeHandler handler;
};

class ContactEventsTest : public ContactFixture
{
protected:
    static std::vector<LONG> changedTypesOf(const OfficeEvent& event)
    {
        if (event.arguments.size() != 2 || event.arguments[1].type() != VT_DISPATCH) return {};
        ComPtr<IUCCContactInformationChangedEventData> data =
            ComPtr<IDispatch>(event.arguments[1].get()->pdispVal).as<IUCCContactInformationChangedEventData>();
        SAFEARRAY* types = nullptr;
        if (!data || FAILED(data->get_ChangedContactInformation(&types))) return {};
        return int32sOf(types);
    }

    static std::vector<DISPID> idsOf(const std::vector<OfficeEvent>& events)
    {
        std::vector<DISPID> ids;
        for (const OfficeEvent& event : events) ids.push_back(event.id);
        return ids;
    }

    // Hands the handler one argument, as the host's event carries it.
    static void deliver(const ContactDetails::ChangeHandler& handler, VARIANT argument)
    {
        DISPPARAMS parameters = {&argument, nullptr, 1, 0};
        handler(&parameters);
    }
};

} // namespace

TEST_F(ContactEventsTest, PresenceAndNameChangesBecomeOneInformationChangedOnTheWorkerThread)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseContactSink(bob.get());
    EXPECT_EQ(host().fireContactChanged(kBob, {4, 1}), std::vector<HRESULT>{S_OK});
    runOnWorker([] {});

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].id, kInformationChanged);
    EXPECT_TRUE(IsEqualIID(events[0].eventInterface, DIID__IUCCContactEvents));
    EXPECT_EQ(events[0].apartment, "MTA");
    ASSERT_EQ(events[0].arguments.size(), 2u);
    ASSERT_EQ(events[0].arguments[0].type(), VT_DISPATCH);
    EXPECT_TRUE(extensionsutils::sameComObject(events[0].arguments[0].get()->pdispVal, bob.get()));
    EXPECT_EQ(changedTypesOf(events[0]), (std::vector<LONG>{0, 1, 8, 7, 10}));
    EXPECT_EQ(onlyRecordOf(L"Contact data changed").function, L"UCCContact::onContactChanged");
    EXPECT_EQ(onlyRecordOf(L"Reporting contact changed through callback").function,
              L"UCCContact::onContactChangedAction");
}

TEST_F(ContactEventsTest, TagChangeFiresSettingChangedWithTheCurrentTagOnly)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseContactSink(bob.get());
    host().fireContactChanged(kBob, {5});
    runOnWorker([] {}); // the tag is read when the change is reported
    VARIANT untag = *Variant::fromBool(false).get();
    VARIANT none = *Variant().get();
    ASSERT_EQ(bob->ChangeSetting(ucContactTagged, untag, nullptr, none, nullptr), S_OK);
    host().fireContactChanged(kBob, {5});
    runOnWorker([] {});
    host().failMethod(HostMethod::GetIsTagged);
    host().fireContactChanged(kBob, {5});
    runOnWorker([] {});

    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(idsOf(events), (std::vector<DISPID>{kSettingChanged, kSettingChanged, kSettingChanged}));
    std::vector<VARIANT_BOOL> values;
    for (const OfficeEvent& event : events) {
        ASSERT_EQ(event.arguments.size(), 2u);
        EXPECT_EQ(event.apartment, "MTA");
        auto data = ComPtr<IDispatch>(event.arguments[1].get()->pdispVal).as<IUCCContactSettingChangedEventData>();
        ASSERT_TRUE(data);
        ContactSetting setting = static_cast<ContactSetting>(0);
        Variant value;
        EXPECT_EQ(data->get_Setting(&setting), S_OK);
        EXPECT_EQ(setting, ucContactTagged);
        EXPECT_EQ(data->get_Value(value.out()), S_OK);
        EXPECT_EQ(value.type(), VT_BOOL);
        values.push_back(value.get()->boolVal);
    }
    EXPECT_EQ(values, (std::vector<VARIANT_BOOL>{VARIANT_TRUE, VARIANT_FALSE, VARIANT_FALSE}))
        << "an unreadable tag reads as not tagged";
    EXPECT_EQ(host().loggedCount(L"No changed data to report"), 3u) << "no information type changed";
}

TEST_F(ContactEventsTest, CodesAreTranslatedInArrayOrderWithRepeatsAndTheTagFiredAtOnce)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseContactSink(bob.get());
    host().fireContactChanged(kBob, {3, 5, 3, 2, 4});
    runOnWorker([] {});
    const std::vector<OfficeEvent> events = journal->events();
    ASSERT_EQ(idsOf(events), (std::vector<DISPID>{kSettingChanged, kInformationChanged}));
    EXPECT_EQ(changedTypesOf(events[1]), (std::vector<LONG>{27, 27, 0, 1, 8, 7}));
}

TEST_F(ContactEventsTest, ChangesWithNothingOfficeReadsFireNothing)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseContactSink(bob.get());
    host().fireContactChanged(kBob, {2});
    host().fireContactChanged(kBob, {});
    host().fireContactChanged(kBob, {0, 6, -1});
    host().fireContactChanged(kBob, {1}, 2); // another event of the host contact
    runOnWorker([] {});
    EXPECT_EQ(journal->count(), 0u);
    EXPECT_EQ(host().loggedCount(L"No changed data to report"), 3u);
}

TEST_F(ContactEventsTest, AChangeAfterTheContactWasReleasedReachesNothing)
{
    ComPtr<IUCCContact> bob = contactFor(kBob);
    EXPECT_EQ(host().contactSinkCount(kBob), 1u);
    bob.reset();
    EXPECT_EQ(host().contactSinkCount(kBob), 0u) << "the watching ends with the contact";

    // A host that could not let go of the sink still calls it: the call reaches nothing.
    host().failMethod(HostMethod::Unadvise);
    bob = contactFor(kBob);
    bob.reset();
    EXPECT_EQ(host().contactSinkCount(kBob), 1u);
    EXPECT_EQ(host().fireContactChanged(kBob, {4, 5}), std::vector<HRESULT>{S_OK});
    runOnWorker([] {});
    EXPECT_FALSE(host().logged(L"Contact data changed"));
    EXPECT_EQ(journal->count(), 0u);
}

TEST_F(ContactEventsTest, TheChangeHandlerHoldsTheContactOnlyWeakly)
{
    auto details = std::make_shared<HandDeliveredDetails>();
    ComPtr<IUCCContact> contact;
    ASSERT_EQ(manager->createContact(details, contact.out()), S_OK);
    ASSERT_TRUE(details->handler);
    const ContactDetails::ChangeHandler handler = details->handler;
    const long locksWithContact = extensionsutils::moduleLockCount();
    contact.reset();
    EXPECT_LT(extensionsutils::moduleLockCount(), locksWithContact) << "the handler did not keep the contact alive";

    deliver(handler, *Variant::fromSafeArray(int32Array({1, 4, 5}).detach()).get());
    runOnWorker([] {});
    EXPECT_FALSE(host().logged(L"Contact data changed"));
}

TEST_F(ContactEventsTest, ReleasedContactsLetGoOfTheHostAtOnceWhateverTheQueueHolds)
{
    ComPtr<IUCCContact> kept = contactFor(kBob);
    adviseContactSink(kept.get());
    std::vector<ComPtr<IUCCContact>> released;
    for (int i = 0; i < 10; ++i) released.push_back(contactFor(kBob));
    auto gate = std::make_shared<vorn::Event>();
    worker->AddWork(std::make_shared<Tr1FunctionWorker>([gate] { gate->wait(20000); }));
    for (int i = 0; i < 20; ++i) host().fireContactChanged(kBob, {4}); // a burst waits in the queue
    released.clear();

    EXPECT_EQ(host().contactSinkCount(kBob), 1u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(host().fireContactChanged(kBob, {4}).size(), 1u) << "host connections per change after the release";
    gate->set();
    runOnWorker([] {});
    // Every change reached the contact Office kept; the same change waiting for its sink is sent once.
    EXPECT_GE(journal->count(), 1u) << "the contact Office kept heard the changes";
    EXPECT_EQ(journal->events().back().id, 400);
}

TEST_F(ContactEventsTest, AContactReleasedDuringAHostEventIsNotDestroyedOnTheHostThread)
{
    manager->disconnect(); // the stop window: nothing is queued for the change
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
    host().fireContactChanged(kBob, {4});
    office.join();
    host().clearLogHooks();

    const DWORD hostThread = onlyRecordOf(L"Contact data changed").threadId;
    std::size_t destructions = 0;
    for (const fakehost::LogRecord& record : host().logRecords()) {
        if (record.function != L"UCCContact::~UCCContact") continue;
        ++destructions;
        EXPECT_NE(record.threadId, hostThread);
    }
    EXPECT_EQ(destructions, 1u);
}

TEST_F(ContactEventsTest, HostEventsWithoutAnArrayOfCodesAreIgnored)
{
    auto details = std::make_shared<HandDeliveredDetails>();
    ComPtr<IUCCContact> contact;
    ASSERT_EQ(manager->createContact(details, contact.out()), S_OK);
    adviseContactSink(contact.get());

    details->handler(nullptr);
    DISPPARAMS empty = {nullptr, nullptr, 0, 0};
    details->handler(&empty);
    deliver(details->handler, *Variant::fromString(L"1").get());
    deliver(details->handler, *Variant::fromSafeArray(SafeArray::ofStrings({L"1"}).detach()).get());
    runOnWorker([] {});
    EXPECT_EQ(journal->count(), 0u);
    EXPECT_EQ(host().loggedCount(L"Contact data change without an array of change codes ignored"), 4u);

    // Passed by reference, as some hosts do, the codes still count.
    Variant codes = Variant::fromSafeArray(int32Array({1}).detach());
    VARIANT reference;
    reference.vt = VT_BYREF | VT_ARRAY | VT_I4;
    reference.pparray = &codes.get()->parray;
    deliver(details->handler, reference);
    runOnWorker([] {});
    EXPECT_EQ(journal->count(), 1u);
}

TEST_F(ContactEventsTest, AChangeOnceTheWorkerThreadIsGoneIsDroppedWithoutALogLine)
{
    manager->disconnect();
    ComPtr<IUCCContact> bob = contactFor(kBob);
    adviseContactSink(bob.get());
    host().clearLog();
    EXPECT_EQ(host().fireContactChanged(kBob, {1, 4}), std::vector<HRESULT>{S_OK});
    runOnWorker([] {});
    EXPECT_EQ(journal->count(), 0u);
    std::vector<std::wstring> contactLines;
    for (const fakehost::LogRecord& record : host().logRecords())
        if (record.function.rfind(L"UCCContact::", 0) == 0) contactLines.push_back(record.message);
    EXPECT_EQ(contactLines, std::vector<std::wstring>{L"Contact data changed"});
}
