// How officesim takes the provider's events: sinks record every call with its arguments in order, event
// data is read during the call, each event is described by the objects it carries, and an event of the
// wrong shape or one the provider never sends is a violation.
#include "SessionFixture.h"

#include "officesim/EventSink.h"

#include "TavoMessengerLib.h"

namespace officesimtest {
namespace {

using extensionsutils::ComPtr;

class EventMonitorTest : public SessionFixture {
protected:
    ComPtr<FakeEventSource> advisedSource(const IID& iid, const wchar_t* name)
    {
        ComPtr<FakeEventSource> source = FakeEventSource::create();
        EXPECT_EQ(S_OK, events_.advise(source->identity(), iid, name));
        return source;
    }
};

TEST_F(EventMonitorTest, AStatusChangeIsDescribedByTheContactItCarries)
{
    ComPtr<FakeEventSource> messenger = advisedSource(DIID_DMessengerEvents, L"DMessengerEvents");
    Answer<Object> contact = messenger_.getContact(nullptr, L"carla@example");
    messenger->fire(0x406, {Variant::fromDispatch(contact.value.get()), Variant::fromInt32(114)});
    events_.describeNew();

    EXPECT_EQ(0, report_.violations()) << report();
    EXPECT_EQ(1u, events_.changeEvents());
    EXPECT_EQ(1u, printed("DMessengerEvents.OnContactStatusChange carla@example: Do not disturb (114)")) << report();
}

TEST_F(EventMonitorTest, AnInformationChangeNamesTheTypesAndUpdatesThePersonsRow)
{
    Answer<Object> contact = uc_.getContactByUri(nullptr, L"carla@example");
    ComPtr<FakeEventSource> source = advisedSource(DIID__IUCCContactEvents, L"_IUCCContactEvents");
    ComPtr<FakeEventSource> data = FakeEventSource::create();
    officesim::PersonRow before;
    before.signinName = L"carla@example";
    before.availability = 15500;
    before.activity = L"Back soon";
    report_.person(before);

    source->fire(400, {Variant::fromDispatch(contact.value.get()), Variant::fromDispatch(data.get())});
    events_.describeNew();

    EXPECT_EQ(0, report_.violations()) << report();
    EXPECT_EQ(1u, events_.changeEvents());
    EXPECT_EQ(1u, printed("OnContactInformationChanged sip:carla@example: availability, activity id, custom activity, "
                          "activity; availability now 3500 Free")) << report();
    // The row shows what was read after the change, not what was known before.
    ASSERT_EQ(1u, report_.people().size());
    EXPECT_EQ(std::optional<long>(3500), report_.people()[0].availability);
    EXPECT_EQ(L"Available", report_.people()[0].activity);
}

TEST_F(EventMonitorTest, AnEventWithOtherArgumentsThanDeclaredIsAViolation)
{
    ComPtr<FakeEventSource> messenger = advisedSource(DIID_DMessengerEvents, L"DMessengerEvents");
    messenger->fire(0x406, {Variant::fromString(L"carla@example"), Variant::fromInt32(2)});
    events_.describeNew();
    EXPECT_EQ(1u, printed("VIOLATION: DMessengerEvents.OnContactStatusChange: arrived with the arguments (VT_BSTR, "
                          "VT_I4)")) << report();
}

TEST_F(EventMonitorTest, AnEventTheProviderNeverSendsIsAViolation)
{
    ComPtr<FakeEventSource> messenger = advisedSource(DIID_DMessengerEvents, L"DMessengerEvents");
    messenger->fire(0x400, {Variant::fromInt32(S_OK)}); // OnSignin
    events_.describeNew();
    EXPECT_EQ(1u, printed("VIOLATION: DMessengerEvents dispid 0x400: an event the provider never sends")) << report();
}

TEST_F(EventMonitorTest, TheStateChangeDataIsReadDuringTheEventCall)
{
    ComPtr<FakeEventSource> client = advisedSource(DIID__IUCCLyncClientEvents, L"_IUCCLyncClientEvents");
    client->fire(100, {Variant::fromUnknown(client->identity()), Variant::fromDispatch(uc_.dictionary.get())});
    // Read before the call returned: the recorded event holds the answer already.
    const std::vector<officesim::RecordedEvent> recorded = events_.journal()->from(0);
    ASSERT_EQ(1u, recorded.size());
    ASSERT_TRUE(recorded[0].stateChange.has_value());
    EXPECT_EQ(1, recorded[0].stateChange->value.newState);
    events_.describeNew();
    EXPECT_EQ(1u, printed("_IUCCLyncClientEvents.OnStateChanged signed in (3) -> signed out (1)")) << report();
}

TEST_F(EventMonitorTest, AnObjectIsAdvisedOncePerEventInterfaceAndUnadvisedOnRequest)
{
    ComPtr<FakeEventSource> source = FakeEventSource::create();
    EXPECT_EQ(S_OK, events_.advise(source->identity(), DIID__IUCCContactEvents, L"_IUCCContactEvents"));
    EXPECT_EQ(S_FALSE, events_.advise(static_cast<IDispatch*>(source.get()), DIID__IUCCContactEvents, L"_IUCCContactEvents"));
    EXPECT_EQ(1u, source->sinkCount());
    events_.unadvise(source->identity());
    EXPECT_EQ(0u, source->sinkCount());
}

TEST(EventSink, RecordsArgumentsFirstFirstAndKeepsAByReferenceArgumentAsItsValue)
{
    auto journal = std::make_shared<officesim::EventJournal>();
    ComPtr<officesim::EventSink> sink = officesim::EventSink::create(DIID_DMessengerEvents, L"DMessengerEvents", journal);

    LONG count = 7;
    VARIANT arguments[2]; // last argument first
    VariantInit(&arguments[0]);
    arguments[0].vt = VT_BYREF | VT_I4;
    arguments[0].plVal = &count;
    arguments[1] = *Variant::fromString(L"first").get();
    DISPPARAMS parameters = {arguments, nullptr, 2, 0};
    ASSERT_EQ(S_OK, sink->Invoke(0x40f, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr));
    count = 8; // the caller's variable changes after the call

    const std::vector<officesim::RecordedEvent> events = journal->from(0);
    ASSERT_EQ(1u, events.size());
    ASSERT_EQ(2u, events[0].arguments.size());
    EXPECT_EQ(VT_BSTR, events[0].arguments[0].type());
    ASSERT_EQ(VT_I4, events[0].arguments[1].type());
    EXPECT_EQ(7, V_I4(events[0].arguments[1].get()));
}

TEST(EventSink, AnswersItsEventInterfaceAndIDispatchOnly)
{
    ComPtr<officesim::EventSink> sink = officesim::EventSink::create(
        DIID_DMessengerEvents, L"DMessengerEvents", std::make_shared<officesim::EventJournal>());
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, sink->QueryInterface(DIID_DMessengerEvents, reinterpret_cast<void**>(unknown.out())));
    EXPECT_EQ(S_OK, sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(unknown.out())));
    EXPECT_EQ(E_NOINTERFACE, sink->QueryInterface(DIID__IUCCContactEvents, reinterpret_cast<void**>(unknown.out())));
}

} // namespace
} // namespace officesimtest
