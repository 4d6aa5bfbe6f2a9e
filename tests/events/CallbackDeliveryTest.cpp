// The answer to an asynchronous operation goes to Office's callback object through the event delivery:
// a callback that hangs in Office holds up neither the worker, nor another Office's events, nor the stop,
// and the answers to one callback object arrive in the order they were reported.

#include "support/ModuleFixture.h"
#include "TestMessenger.h"

#include "IUCOfficeIntegration/AsynchronousOperationWorker.h"
#include "IUCOfficeIntegration/UCCContactManager.h"

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/MICComPtr.h"
#include "extensionsutils/Variant.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using extensionsutils::ComPtr;
using extensionsutils::EventDelivery;
using fakeoffice::FakeOfficeSink;
using fakeoffice::OfficeEvent;

namespace {

const DWORD testStallLimitMs = 300;

class CallbackDeliveryTest : public ModuleFixture
{
protected:
    void SetUp() override
    {
        ModuleFixture::SetUp();
        EventDelivery::setStallLimit(testStallLimitMs);
    }

    void releaseModuleObjects() override
    {
        release->set(); // the hung callback returns before anything goes
        EventDelivery::waitUntilSettled(20000);
        otherOffice->unadvise();
        otherOffice.reset();
        callback.reset();
        callbackJournal.reset(); // its answers hold the operations
        messenger.reset();
    }

    // A lookup's answer to `callback`, its first argument telling which one it is.
    void queueAnswer(LONG which)
    {
        auto answer = std::make_shared<AsynchronousOperationWorker>(callback.get(), UCCContactManager::OnLookupId);
        answer->setResultFunction([which](extensionsutils::DispatchParameters& parameters) {
            parameters.add(extensionsutils::Variant::fromInt32(which));
            return true;
        });
        worker->AddWork(answer);
    }

    std::shared_ptr<fakeoffice::OfficeEventJournal> callbackJournal = std::make_shared<fakeoffice::OfficeEventJournal>();
    ComPtr<FakeOfficeSink> callback = FakeOfficeSink::create(DIID__IUCCContactsAndGroupsCallback, callbackJournal);
    ComPtr<FakeOfficeSink> otherOffice = FakeOfficeSink::create(DIID_DMessengerEvents, journal);
    extensionsutils::MICComPtr<TestMessenger> messenger = extensionsutils::ComObject<TestMessenger>::create();
    std::shared_ptr<vorn::Event> release = std::make_shared<vorn::Event>(false);
};

} // namespace

TEST_F(CallbackDeliveryTest, AHungCallbackDelaysNoWorkNoOtherOfficeNorTheStopAndItsAnswersKeepTheirOrder)
{
    ASSERT_EQ(otherOffice->advise(messenger.identity()), S_OK);
    auto entered = std::make_shared<vorn::Event>();
    auto gate = release;
    bool first = true;
    callback->setHook([&first, entered, gate](const OfficeEvent&) {
        if (!first) return;
        first = false;
        entered->set();
        gate->wait(60000); // Office stops answering in its callback
    });
    queueAnswer(1);
    ASSERT_EQ(entered->wait(5000), 0);
    queueAnswer(2);

    const DWORD started = GetTickCount();
    runOnWorker([this] {
        ComPtr<IDispatch> contact = extensionsutils::ComObject<TestMessengerContact>::create(L"c").as<IDispatch>();
        EXPECT_EQ(messenger->Fire_OnContactStatusChange(contact.get(), MISTATUS_ONLINE), S_OK);
    });
    EXPECT_TRUE(EventDelivery::waitUntilSettled(testStallLimitMs + 2000)) << "the stop would wait for the hung callback";
    EXPECT_LT(GetTickCount() - started, testStallLimitMs + 2000);
    ASSERT_EQ(journal->count(), 1u) << "the other Office got its event while the callback hangs";

    release->set();
    std::vector<OfficeEvent> answers;
    for (DWORD waited = 0; waited < 5000 && answers.size() < 2; waited += 10) {
        Sleep(10);
        answers = callbackJournal->events();
    }
    ASSERT_EQ(answers.size(), 2u) << "answers are never merged or dropped";
    EXPECT_EQ(answers[0].arguments.at(0).get()->lVal, 1);
    EXPECT_EQ(answers[1].arguments.at(0).get()->lVal, 2);
}
