#pragma once

// The bare provider's event delivery at the physical limit: one standing thread per Office process, each
// calling that process's sinks one after another, the threads of all processes at once. An Office takes the
// calls into its apartment one at a time whoever makes them, so no provider can bring an event to every sink
// sooner. Which process a sink lives in is asked once per sink (the bench's sinks answer it, see
// SinkProcessDispid in BenchNames.h) and kept, with the sink, until forget().
//
// Threads: fire and forget from any thread; each lane's own thread makes its calls. mutex_ guards
// processOf_ and lanes_; each lane's mutex its queue. No lock is held while a sink is called.

#include "extensionsutils/ComPtr.h"
#include "extensionsutils/DispatchParameters.h"

#include <windows.h>
#include <ocidl.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace bench {

class BareLanes {
public:
    BareLanes() = default;
    ~BareLanes();
    BareLanes(const BareLanes&) = delete;
    BareLanes& operator=(const BareLanes&) = delete;

    // Queues `id` with the arguments for each sink on the lane of its process and returns: S_OK, or E_FAIL
    // when a sink did not tell its process (nothing is queued then).
    HRESULT fire(const std::vector<extensionsutils::ComPtr<IDispatch>>& sinks, DISPID id,
                 const std::shared_ptr<const extensionsutils::DispatchParameters>& arguments);

    // Ends every lane's thread once its queue is done and lets go of the sinks it asked.
    void forget();

private:
    class Lane;
    struct Asked {
        extensionsutils::ComPtr<IDispatch> sink; // kept so that its address names it until forget()
        DWORD process;
    };

    bool processOf(const extensionsutils::ComPtr<IDispatch>& sink, DWORD& process);

    std::mutex mutex_;
    std::map<IDispatch*, Asked> processOf_;
    std::map<DWORD, std::unique_ptr<Lane>> lanes_;
};

// The lanes of the process's bare provider, shared by its objects.
BareLanes& bareLanes();

// The sinks connected to `point` now, in the order they connected, as IDispatch.
std::vector<extensionsutils::ComPtr<IDispatch>> connectedSinks(IConnectionPoint* point);

} // namespace bench
