#pragma once

// The property maps Office writes into (the Messenger object's, a contact's, a service's): values are kept
// by value, never as pointers into the caller's memory.

#include "extensionsutils/Variant.h"

#include <map>
#include <new>
#include <utility>

template <typename Key>
HRESULT storeProperty(std::map<Key, extensionsutils::Variant>& properties, Key key, const VARIANT& value)
{
    extensionsutils::Variant copy;
    const HRESULT hr = extensionsutils::copyByValue(value, copy);
    if (FAILED(hr)) return hr;
    try {
        properties[key] = std::move(copy);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
