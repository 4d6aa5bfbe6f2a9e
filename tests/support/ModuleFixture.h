#pragma once

// For programs that link the module's code: COM and the fake host client with its class object in the
// module's slot (so the module's log lines reach the fake logger), a module worker thread, Office's event
// journal and the sinks a test advises. TearDown lets go of all that and checks that no host object and no
// module object outlived it.

#include "ExtensionProvider/HostClassObject.h"
#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"

#include "common/ContractIds.h"
#include "support/FakeOfficeSink.h"
#include "support/HostFixture.h"

#include "extensionsutils/Bstr.h"
#include "extensionsutils/EventDelivery.h"
#include "extensionsutils/ModuleLock.h"
#include "vorn/Event.h"

#include "TavoMessengerLib.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class ModuleFixture : public HostFixture {
protected:
    void SetUp() override
    {
        ASSERT_EQ(environment.registration(), S_OK);
        ASSERT_EQ(hostaccess::fetchHostClassObject(), S_OK);
        worker = std::make_shared<WorkerThreadImpl>();
        workerThreadId = runOnWorker([] {});
    }

    void TearDown() override
    {
        for (const extensionsutils::ComPtr<fakeoffice::FakeOfficeSink>& sink : sinks) sink->unadvise();
        sinks.clear();
        releaseModuleObjects();
        journal.reset(); // its events hold the objects that were sent
        stopWorker();
        hostaccess::releaseHostClassObject();
        host().clearLogHooks();
        extensionsutils::EventDelivery::setLogSink(nullptr);
        extensionsutils::EventDelivery::setStallLimit(extensionsutils::EventDelivery::defaultStallLimitMs);
        expectHostObjectsReleased();
        EXPECT_TRUE(waitUntil([] { return extensionsutils::moduleLockCount() == 0; }, 5000)) << "a module object was not released";
    }

    // Tests release the module objects they made here, before the checks of TearDown.
    virtual void releaseModuleObjects() {}

    // Runs the function on the worker behind everything queued so far, waits for it and for the delivery of
    // what the worker fired (or its sink's stall); the worker's thread id.
    DWORD runOnWorker(std::function<void()> function)
    {
        auto done = std::make_shared<vorn::Event>();
        auto threadId = std::make_shared<DWORD>(0);
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([function, done, threadId] {
            function();
            *threadId = GetCurrentThreadId();
            done->set();
        }));
        EXPECT_EQ(done->wait(20000), 0) << "the worker thread did not get to the end of its queue";
        extensionsutils::EventDelivery::waitUntilSettled(20000);
        return *threadId;
    }
    void drainWorker() { runOnWorker([] {}); }

    // The real stop window: the worker is stopped but still runs what was queued before (here, an item that
    // waits until stopWorker), so it still exists and refuses new work.
    void enterStopWindow()
    {
        worker->AddWork(std::make_shared<Tr1FunctionWorker>([gate = stopWindow] { gate->wait(20000); }));
        worker->stop(nullptr, false);
    }
    void stopWorker()
    {
        stopWindow->set();
        if (worker) {
            worker->stop(nullptr, true);
            worker.reset();
        }
    }

    // A new Office sink advised on the source's point for the event interface, as Office advises.
    fakeoffice::FakeOfficeSink* connectSink(IUnknown* source, std::shared_ptr<fakeoffice::OfficeEventJournal> to = nullptr,
                                            const IID& events = contractid::DMessengerEvents)
    {
        sinks.push_back(fakeoffice::FakeOfficeSink::create(events, to ? to : journal));
        EXPECT_EQ(sinks.back()->advise(source), S_OK);
        return sinks.back().get();
    }
    // Each event as "dispid(arguments)" (see describe), optionally only those with one dispatch id.
    static std::vector<std::wstring> described(const std::vector<fakeoffice::OfficeEvent>& events, DISPID only = 0)
    {
        std::vector<std::wstring> texts;
        for (const fakeoffice::OfficeEvent& event : events) if (!only || event.id == only) texts.push_back(describe(event));
        return texts;
    }
    // "0x406(bob, 2)": the event with a contact as its sign-in name.
    static std::wstring describe(const fakeoffice::OfficeEvent& event) { return fakeoffice::describe(event, &signinNameOf); }
    static std::wstring signinNameOf(IDispatch* object)
    {
        extensionsutils::ComPtr<IMessengerContact> contact;
        extensionsutils::Bstr name;
        if (!object || FAILED(object->QueryInterface(contractid::IMessengerContact, reinterpret_cast<void**>(contact.out()))))
            return L"<not a contact>";
        contact->get_SigninName(name.out());
        return name.str();
    }

    std::shared_ptr<WorkerThreadImpl> worker;
    DWORD workerThreadId = 0;
    std::shared_ptr<vorn::Event> stopWindow = std::make_shared<vorn::Event>();
    std::shared_ptr<fakeoffice::OfficeEventJournal> journal = std::make_shared<fakeoffice::OfficeEventJournal>();
    std::vector<extensionsutils::ComPtr<fakeoffice::FakeOfficeSink>> sinks;
};

// Office's event dispatch ids (DMessengerEvents) used across the tests.
namespace officeevents {
constexpr DISPID contactStatusChange = 0x406;
constexpr DISPID appShutdown = 0x408;
constexpr DISPID contactResolved = 0x41a;
} // namespace officeevents
