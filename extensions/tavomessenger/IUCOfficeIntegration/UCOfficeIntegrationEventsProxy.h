#pragma once

#include "extensionsutils/DispatchParameters.h"
#include "extensionsutils/OfficeEventIds.h"

#include "TavoMessengerLib.h"

// The events of _IUCOfficeIntegrationEvents that the module fires to Office 2013 and 2016.
class UCOfficeIntegrationEventsTriggers
{
public:
    // Tells every advised sink that the provider is shutting down; the sinks' results are not acted on.
    virtual HRESULT Fire_OnShuttingDown() = 0;

protected:
    ~UCOfficeIntegrationEventsTriggers() = default;
};

// The firing side of the _IUCOfficeIntegrationEvents connection point of T, a connection-point container
// that owns a point for that interface. Any thread: the sink list is read under the point's own lock and
// no lock is held while a sink runs.
template <class T>
class UCOfficeIntegrationEventsProxy : public UCOfficeIntegrationEventsTriggers
{
public:

    HRESULT Fire_OnShuttingDown() override
    {
        return static_cast<T*>(this)->fire(DIID__IUCOfficeIntegrationEvents, extensionsutils::officeevents::onShuttingDown,
                                           extensionsutils::DispatchParameters());
    }

protected:
    ~UCOfficeIntegrationEventsProxy() = default;
};
