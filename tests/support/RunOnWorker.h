#pragma once

// For programs that link the module's code: runs a function on the module's worker thread behind
// everything queued so far, waits for it and for the delivery of what the worker fired (or its sink's
// stall), and answers the worker's thread id.

#include "extensionsutils/EventDelivery.h"
#include "utils/Tr1FunctionWorker.h"
#include "utils/WorkerThread.h"

#include "vorn/Event.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>

inline DWORD runOnWorker(WorkerThread& worker, std::function<void()> function)
{
    auto done = std::make_shared<vorn::Event>();
    auto threadId = std::make_shared<DWORD>(0);
    worker.AddWork(std::make_shared<Tr1FunctionWorker>([function, done, threadId] {
        function();
        *threadId = GetCurrentThreadId();
        done->set();
    }));
    EXPECT_EQ(done->wait(20000), 0) << "the worker thread did not get to the end of its queue";
    extensionsutils::EventDelivery::waitUntilSettled(20000);
    return *threadId;
}
