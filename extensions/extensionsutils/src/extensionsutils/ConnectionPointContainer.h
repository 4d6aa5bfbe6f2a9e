#pragma once

#include "extensionsutils/ConnectionPoint.h"
#include "extensionsutils/DispatchParameters.h"

#include <windows.h>
#include <ocidl.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace extensionsutils {

// Base of a COM class that fires events: owns one ConnectionPoint per event interface given at
// construction. The class lists IConnectionPointContainer in its InterfaceTable. Any thread; the set of
// points never changes after construction.
class ConnectionPointContainer : public IConnectionPointContainer
{
public:
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID eventInterface, IConnectionPoint** point) override;

    // The point of an event interface, or null if this object has none for it.
    ConnectionPoint* connectionPoint(REFIID eventInterface) const;

    // Every point refuses new sinks from now on (ConnectionPoint::refuseAdvise).
    void refuseAdvise();

    // Queues an event for every sink of one event interface (ConnectionPoint::fire); E_NOINTERFACE if
    // this object has no such point.
    HRESULT fire(REFIID eventInterface, DISPID id, const DispatchParameters& parameters,
                 const std::wstring& stateKey = std::wstring()) const;

protected:
    explicit ConnectionPointContainer(std::initializer_list<IID> eventInterfaces);
    ~ConnectionPointContainer();

private:
    std::vector<std::unique_ptr<ConnectionPoint>> points_;
};

} // namespace extensionsutils
