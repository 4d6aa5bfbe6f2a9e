#pragma once

// The fake host client with its class object in the module's slot (so the module's log lines reach the
// fake logger), the module's worker thread, and Office's event journal. Each test ends with the worker
// stopped, every host object released and no module object alive.

#include "ExtensionProvider/HostClassObject.h"
#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThreadImpl.h"

#include "support/FakeHostEnvironment.h"
#include "support/FakeOfficeSink.h"
#include "support/RunOnWorker.h"

#include "extensionsutils/ModuleLock.h"
#include "vorn/Event.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class EventsFixture : public ::testing::Test
{
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
        releaseModuleObjects();
        journal.reset(); // its events hold the objects that were sent
        stopWorker();
        hostaccess::releaseHostClassObject();
        EXPECT_EQ(host().liveObjectCount(), 0) << "a host object was not released";
        EXPECT_EQ(extensionsutils::moduleLockCount(), 0) << "a module object was not released";
    }

    // Tests release what they made here, before the checks of TearDown.
    virtual void releaseModuleObjects() {}

    fakehost::FakeHost& host() { return environment.host(); }

    DWORD runOnWorker(std::function<void()> function) { return ::runOnWorker(*worker, std::move(function)); }

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
        if (!worker) return;
        worker->stop(nullptr, true);
        worker.reset();
    }

    std::size_t logCount(const std::wstring& message) { return host().loggedCount(message); }

    fakehost::FakeHostEnvironment environment;
    std::shared_ptr<WorkerThreadImpl> worker;
    DWORD workerThreadId = 0;
    std::shared_ptr<vorn::Event> stopWindow = std::make_shared<vorn::Event>();
    std::shared_ptr<fakeoffice::OfficeEventJournal> journal = std::make_shared<fakeoffice::OfficeEventJournal>();
};
