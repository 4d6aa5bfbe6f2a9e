#pragma once

#include <windows.h>
#include <unknwn.h>

namespace extensionsutils {

// A table entry that answers `Interface` through the base `Path` of the class, for an interface that
// several bases share (IDispatch through IFoo) or the base interface of a derived one (IMessenger through
// IMessengerAdvanced).
template <class Interface, class Path>
struct Via
{
};

namespace detail {

template <class Entry>
struct InterfaceEntry
{
    using Interface = Entry;
    using Path = Entry;
};

template <class I, class P>
struct InterfaceEntry<Via<I, P>>
{
    using Interface = I;
    using Path = P;
};

template <class First, class... Rest>
struct FirstEntry
{
    using Type = InterfaceEntry<First>;
};

} // namespace detail

// The interfaces a COM class answers, declared once in the class:
//     using Interfaces = InterfaceTable<IFoo, IBar, Via<IDispatch, IFoo>, IConnectionPointContainer>;
// QueryInterface walks the entries in order. The first entry is the object's identity: IUnknown is
// answered with it, so every interface of the object leads to the same IUnknown.
template <class... Entries>
struct InterfaceTable
{
    static_assert(sizeof...(Entries) > 0, "a COM class answers at least one interface");

    template <class T>
    static IUnknown* identity(T* object)
    {
        using First = typename detail::FirstEntry<Entries...>::Type;
        return static_cast<typename First::Interface*>(static_cast<typename First::Path*>(object));
    }

    template <class T>
    static HRESULT query(T* object, REFIID iid, void** result)
    {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *result = identity(object);
        } else {
            (void)(find<Entries>(object, iid, result) || ...);
        }
        if (!*result) return E_NOINTERFACE;
        identity(object)->AddRef();
        return S_OK;
    }

private:
    template <class Entry, class T>
    static bool find(T* object, REFIID iid, void** result)
    {
        using E = detail::InterfaceEntry<Entry>;
        if (!IsEqualIID(iid, __uuidof(typename E::Interface))) return false;
        *result = static_cast<typename E::Interface*>(static_cast<typename E::Path*>(object));
        return true;
    }
};

} // namespace extensionsutils
