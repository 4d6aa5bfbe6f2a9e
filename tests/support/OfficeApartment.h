#pragma once

// An Office apartment inside the test's process: a single-threaded apartment on a thread of its own that
// pumps messages as Office's UI thread does. Its sinks are made on that thread and handed out as real
// proxies, so the module reaches them as it reaches Office's: one call at a time, and not at all while a
// handler there blocks.
//
// Made, used and destroyed on one test thread (in the multithreaded apartment); the proxies must be
// released before the apartment goes.

#include "support/FakeOfficeSink.h"

#include "extensionsutils/ComPtr.h"
#include "common/ContractIds.h"

#include <windows.h>
#include <objbase.h>

#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace fakeoffice {

class OfficeApartment {
public:
    OfficeApartment() : thread_([this] { pump(); }) { started_.get_future().wait(); }
    ~OfficeApartment()
    {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    OfficeApartment(const OfficeApartment&) = delete;
    OfficeApartment& operator=(const OfficeApartment&) = delete;

    // `count` new IDispatch sinks recording into `journal`, each running `hook` inside every event, as
    // proxies for the calling thread.
    std::vector<extensionsutils::ComPtr<IDispatch>> makeSinks(int count, std::shared_ptr<OfficeEventJournal> journal,
                                                              std::function<void(const OfficeEvent&)> hook = nullptr)
    {
        std::vector<IStream*> streams;
        run([&] {
            for (int i = 0; i < count; ++i) {
                extensionsutils::ComPtr<FakeOfficeSink> sink = FakeOfficeSink::create(contractid::IDispatch, journal);
                if (hook) sink->setHook(hook);
                IStream* stream = nullptr;
                if (SUCCEEDED(CoMarshalInterThreadInterfaceInStream(contractid::IDispatch, sink.get(), &stream))) streams.push_back(stream);
            }
        });
        std::vector<extensionsutils::ComPtr<IDispatch>> proxies;
        for (IStream* stream : streams) {
            extensionsutils::ComPtr<IDispatch> proxy;
            if (SUCCEEDED(CoGetInterfaceAndReleaseStream(stream, contractid::IDispatch, reinterpret_cast<void**>(proxy.out()))))
                proxies.push_back(proxy);
        }
        return proxies;
    }

private:
    static constexpr UINT runMessage = WM_APP + 1;

    // Runs the function on the apartment's thread and waits for it.
    void run(const std::function<void()>& function)
    {
        std::promise<void> done;
        auto task = std::make_unique<std::function<void()>>([&] {
            function();
            done.set_value();
        });
        if (PostThreadMessageW(threadId_, runMessage, 0, reinterpret_cast<LPARAM>(task.get()))) {
            task.release();
            done.get_future().wait();
        }
    }

    void pump()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's message queue exists from here on
        threadId_ = GetCurrentThreadId();
        started_.set_value();
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.hwnd == nullptr && message.message == runMessage) {
                std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(message.lParam));
                (*task)();
                continue;
            }
            DispatchMessageW(&message);
        }
        CoUninitialize();
    }

    std::promise<void> started_;
    DWORD threadId_ = 0;
    std::thread thread_;
};

} // namespace fakeoffice
