#pragma once

#include "vorn/Mutex.h"

#include <memory>
#include <vector>

// Something of the module that keeps host objects beyond one call: a UC contact's host contact and its
// watching, a Messenger contact's presence source.
class HostObjectHolder
{
public:
    virtual ~HostObjectHolder() = default;

    // Releases every host object held, once the host calls under way on them have returned; from then on
    // the holder answers without the host. Called at most once, never from a host call of its own.
    virtual void letGoOfHost() = 0;
};

// The holders that one Messenger object's side of the module made (its contacts, the UC contacts of its
// client, the contacts its events carry). The module's stop closes them before it tells the host that it
// has stopped: every holder lets go of the host then, and a holder made later (Office may still ask while
// the module stops) lets go at once. Whatever Office or a queued event still holds afterwards answers
// without the host and releases nothing of it, so nothing calls the host after its stopped callback.
//
// Threads: any; `mutex` guards the members below it and is never held while a holder lets go.
class HostObjectHolds
{
public:
    // Registers the holder with `holds`, or makes it let go at once when they are closed or the
    // registration runs out of memory. Without holds (objects made outside a Messenger object) the holder
    // keeps its host objects until it goes.
    static void keep(const std::shared_ptr<HostObjectHolds>& holds, const std::shared_ptr<HostObjectHolder>& holder);

    // Every holder registered so far lets go of the host; every later one at once.
    void close();

private:
    bool add(const std::shared_ptr<HostObjectHolder>& holder);

    vorn::Mutex mutex;
    bool closed = false;
    std::vector<std::weak_ptr<HostObjectHolder>> holders;
    std::size_t pruneAt = 64; // holders gone are dropped from the list when it reaches this size
};
