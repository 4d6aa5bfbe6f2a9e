#include "officesim/EventSink.h"

#include <utility>

namespace officesim {

using extensionsutils::ComPtr;

namespace {

// Kept after the call returns, so an argument passed by reference is kept as the value it points to.
extensionsutils::Variant keptValue(const VARIANT& argument)
{
    extensionsutils::Variant copy;
    VariantCopyInd(copy.out(), const_cast<VARIANT*>(&argument)); // the SDK header lacks const
    return copy;
}

} // namespace

EventSink::EventSink(const IID& eventInterface, const std::wstring& interfaceName,
                     std::shared_ptr<EventJournal> journal, Capture capture)
    : DispatchSink(eventInterface), interfaceName_(interfaceName), journal_(std::move(journal)),
      capture_(std::move(capture))
{
}

ComPtr<EventSink> EventSink::create(const IID& eventInterface, const std::wstring& interfaceName,
                                    std::shared_ptr<EventJournal> journal, Capture capture)
{
    ComPtr<EventSink> sink;
    sink.attach(new EventSink(eventInterface, interfaceName, std::move(journal), std::move(capture)));
    return sink;
}

HRESULT EventSink::advise(IUnknown* source)
{
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    const HRESULT hr = adviseOn(source, point, cookie);
    if (FAILED(hr)) return hr;
    std::lock_guard<std::mutex> lock(mutex_);
    point_ = point;
    cookie_ = cookie;
    return S_OK;
}

HRESULT EventSink::unadvise()
{
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        point.swap(point_);
        std::swap(cookie, cookie_);
    }
    if (!point) return S_FALSE;
    return point->Unadvise(cookie);
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                          UINT*)
{
    if (result) VariantInit(result);
    RecordedEvent event;
    event.eventInterface = eventInterface();
    event.interfaceName = interfaceName_;
    event.id = id;
    event.tick = GetTickCount64();
    if (parameters) {
        // DISPPARAMS holds the last argument first.
        for (UINT i = parameters->cArgs; i > 0; --i) event.arguments.push_back(keptValue(parameters->rgvarg[i - 1]));
    }
    if (capture_) capture_(event);
    journal_->add(std::move(event));
    if (id != DISPID_UNKNOWN && id == unadviseDuring_.load()) unadvise();
    if (hangs_.load()) Sleep(INFINITE);
    return S_OK;
}

} // namespace officesim
