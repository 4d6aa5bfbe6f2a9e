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
    : eventInterface_(eventInterface), interfaceName_(interfaceName), journal_(std::move(journal)),
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
    if (!source) return E_POINTER;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.out()));
    if (FAILED(hr)) return hr;
    ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(eventInterface_, point.out());
    if (FAILED(hr)) return hr;
    DWORD cookie = 0;
    hr = point->Advise(static_cast<IDispatch*>(this), &cookie);
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

HRESULT EventSink::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, eventInterface_))
        return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG EventSink::AddRef()
{
    return ++references_;
}

ULONG EventSink::Release()
{
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT* result, EXCEPINFO*,
                          UINT*)
{
    if (result) VariantInit(result);
    RecordedEvent event;
    event.eventInterface = eventInterface_;
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
    return S_OK;
}

} // namespace officesim
