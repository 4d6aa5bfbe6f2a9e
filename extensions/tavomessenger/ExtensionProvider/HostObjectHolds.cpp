#include "ExtensionProvider/HostObjectHolds.h"

#include <algorithm>
#include <new>

void HostObjectHolds::keep(const std::shared_ptr<HostObjectHolds>& holds, const std::shared_ptr<HostObjectHolder>& holder)
{
    if (!holds || !holder) return;
    bool kept = false;
    try {
        kept = holds->add(holder);
    } catch (const std::bad_alloc&) {
        // Unregistered, it could outlive the stop with the host's objects: it keeps none instead.
    }
    if (!kept) holder->letGoOfHost();
}

bool HostObjectHolds::add(const std::shared_ptr<HostObjectHolder>& holder)
{
    vorn::MutexGuard guard(mutex);
    if (closed) return false;
    if (holders.size() >= pruneAt) {
        holders.erase(std::remove_if(holders.begin(), holders.end(), [](const auto& held) { return held.expired(); }),
                      holders.end());
        pruneAt = std::max(pruneAt, 2 * holders.size());
    }
    holders.push_back(holder);
    return true;
}

void HostObjectHolds::close()
{
    std::vector<std::weak_ptr<HostObjectHolder>> closing;
    {
        vorn::MutexGuard guard(mutex);
        closed = true;
        closing.swap(holders);
    }
    for (const std::weak_ptr<HostObjectHolder>& held : closing) {
        if (const std::shared_ptr<HostObjectHolder> holder = held.lock()) holder->letGoOfHost();
    }
}
