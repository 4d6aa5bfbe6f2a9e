#include "extensionsutils/ConnectionPointContainer.h"

#include "extensionsutils/SnapshotEnumerator.h"

#include <utility>

namespace extensionsutils {

namespace {

void handOutPoint(const ComPtr<IConnectionPoint>& point, IConnectionPoint** result)
{
    point.copyTo(result);
}

using PointEnumerator = SnapshotEnumerator<IEnumConnectionPoints, IConnectionPoint*, ComPtr<IConnectionPoint>, handOutPoint>;

} // namespace

ConnectionPointContainer::ConnectionPointContainer(std::initializer_list<IID> eventInterfaces)
{
    for (const IID& eventInterface : eventInterfaces) {
        points_.push_back(std::make_unique<ConnectionPoint>(*this, eventInterface));
    }
}

ConnectionPointContainer::~ConnectionPointContainer() = default;

HRESULT ConnectionPointContainer::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (!points) return E_POINTER;
    *points = nullptr;
    auto snapshot = std::make_shared<std::vector<ComPtr<IConnectionPoint>>>();
    for (const auto& point : points_) snapshot->push_back(ComPtr<IConnectionPoint>(point.get()));
    return PointEnumerator::create(std::move(snapshot), points);
}

HRESULT ConnectionPointContainer::FindConnectionPoint(REFIID eventInterface, IConnectionPoint** point)
{
    if (!point) return E_POINTER;
    *point = nullptr;
    ConnectionPoint* found = connectionPoint(eventInterface);
    if (!found) return CONNECT_E_NOCONNECTION;
    found->AddRef();
    *point = found;
    return S_OK;
}

ConnectionPoint* ConnectionPointContainer::connectionPoint(REFIID eventInterface) const
{
    for (const auto& point : points_) {
        if (IsEqualIID(point->eventInterface(), eventInterface)) return point.get();
    }
    return nullptr;
}

void ConnectionPointContainer::refuseAdvise()
{
    for (const auto& point : points_) point->refuseAdvise();
}

HRESULT ConnectionPointContainer::fire(REFIID eventInterface, DISPID id, const DispatchParameters& parameters,
                                       const std::wstring& stateKey) const
{
    ConnectionPoint* point = connectionPoint(eventInterface);
    if (!point) return E_NOINTERFACE;
    return point->fire(id, parameters, stateKey);
}

} // namespace extensionsutils
