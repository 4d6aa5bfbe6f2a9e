#include "extensionsutils/CallbackDelivery.h"

#include "extensionsutils/EventDelivery.h"

#include <new>
#include <utility>

namespace extensionsutils {

namespace {

std::shared_ptr<DeliveryLane::Member> joinLane(IDispatch* callback, REFIID held)
{
    if (!callback) return nullptr;
    return DeliveryLane::join(EventDelivery::laneFor(callback, held), ComPtr<IDispatch>(callback));
}

} // namespace

CallbackDelivery::CallbackDelivery(IDispatch* callback, REFIID held)
    : hasCallback_(callback != nullptr), member_(joinLane(callback, held))
{
}

HRESULT CallbackDelivery::post(DISPID id, DispatchParameters parameters, DeliveryLane::AnswerHandler answered) const
{
    if (!hasCallback_) return E_FAIL;
    if (!member_) return E_OUTOFMEMORY;
    try {
        auto queued = std::make_shared<const DispatchParameters>(std::move(parameters));
        return member_->post(id, queued, std::wstring(), std::move(answered));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace extensionsutils
