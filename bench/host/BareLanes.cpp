#include "host/BareLanes.h"

#include "measure/BenchNames.h"

#include <objbase.h>

#include <condition_variable>
#include <deque>
#include <thread>
#include <utility>

using extensionsutils::ComPtr;
using extensionsutils::DispatchParameters;

namespace bench {

// One Office process's lane: its events in firing order, each called on its sinks in turn, on a thread of
// the multithreaded apartment (where the sinks' proxies were advised). The thread runs from construction to
// destruction, which waits for the queued events.
class BareLanes::Lane {
public:
    struct Event {
        std::vector<ComPtr<IDispatch>> sinks;
        DISPID id;
        std::shared_ptr<const DispatchParameters> arguments;
    };

    Lane() : thread_([this] { run(); }) {}
    ~Lane()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void post(Event event)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(std::move(event));
        }
        wake_.notify_one();
    }

private:
    void run()
    {
        const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return ending_ || !events_.empty(); });
            if (events_.empty()) break;
            Event event = std::move(events_.front());
            events_.pop_front();
            lock.unlock();
            for (const ComPtr<IDispatch>& sink : event.sinks) event.arguments->invoke(sink.get(), event.id);
        }
        if (SUCCEEDED(initialised)) CoUninitialize();
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Event> events_; // guarded by mutex_
    bool ending_ = false;      // guarded by mutex_
    std::thread thread_;       // last: started once the rest exists
};

BareLanes::~BareLanes()
{
    forget();
}

HRESULT BareLanes::fire(const std::vector<ComPtr<IDispatch>>& sinks, DISPID id,
                        const std::shared_ptr<const DispatchParameters>& arguments)
{
    std::map<DWORD, std::vector<ComPtr<IDispatch>>> byProcess;
    for (const ComPtr<IDispatch>& sink : sinks) {
        DWORD process = 0;
        if (!processOf(sink, process)) return E_FAIL;
        byProcess[process].push_back(sink);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& group : byProcess) {
        std::unique_ptr<Lane>& lane = lanes_[group.first];
        if (!lane) lane = std::make_unique<Lane>();
        lane->post(Lane::Event{std::move(group.second), id, arguments});
    }
    return S_OK;
}

void BareLanes::forget()
{
    std::map<IDispatch*, Asked> asked;
    std::map<DWORD, std::unique_ptr<Lane>> lanes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        asked.swap(processOf_);
        lanes.swap(lanes_);
    }
    lanes.clear(); // each waits for its thread; then the sinks go, outside the lock
}

// The first time a sink is met, a cross-process call asks it (outside the lock); later, the answer kept.
bool BareLanes::processOf(const ComPtr<IDispatch>& sink, DWORD& process)
{
    if (!sink) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto known = processOf_.find(sink.get());
        if (known != processOf_.end()) {
            process = known->second.process;
            return true;
        }
    }
    DISPPARAMS none = {};
    VARIANT answer;
    VariantInit(&answer);
    const HRESULT hr = sink->Invoke(SinkProcessDispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &answer,
                                    nullptr, nullptr);
    if (FAILED(hr) || answer.vt != VT_I4) {
        VariantClear(&answer);
        return false;
    }
    process = static_cast<DWORD>(answer.lVal);
    std::lock_guard<std::mutex> lock(mutex_);
    processOf_.emplace(sink.get(), Asked{sink, process});
    return true;
}

BareLanes& bareLanes()
{
    static BareLanes lanes;
    return lanes;
}

std::vector<ComPtr<IDispatch>> connectedSinks(IConnectionPoint* point)
{
    std::vector<ComPtr<IDispatch>> sinks;
    ComPtr<IEnumConnections> connections;
    if (!point || FAILED(point->EnumConnections(connections.out()))) return sinks;
    CONNECTDATA connection;
    while (connections->Next(1, &connection, nullptr) == S_OK) {
        ComPtr<IUnknown> sink;
        sink.attach(connection.pUnk);
        if (const ComPtr<IDispatch> dispatch = sink.as<IDispatch>()) sinks.push_back(dispatch);
    }
    return sinks;
}

} // namespace bench
