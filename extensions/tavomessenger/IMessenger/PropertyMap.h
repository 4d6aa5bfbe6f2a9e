#pragma once

// The property maps Office writes into (the Messenger object's, a contact's, a service's): values are kept
// by value, never as pointers into the caller's memory. A store that runs out of memory throws
// std::bad_alloc, which the member's boundary answers.

#include "extensionsutils/Variant.h"

#include <map>
#include <utility>

template <typename Key>
HRESULT storeProperty(std::map<Key, extensionsutils::Variant>& properties, Key key, const VARIANT& value)
{
    extensionsutils::Variant copy;
    const HRESULT hr = extensionsutils::copyByValue(value, copy);
    if (FAILED(hr)) return hr;
    properties[key] = std::move(copy);
    return S_OK;
}

// A copy of what is stored under key (a VARIANT or a BSTR owner); nothing is written when the key is absent,
// and that is still S_OK.
template <typename Map, typename Key, typename Out>
HRESULT copyStored(const Map& stored, Key key, Out* result)
{
    const auto found = stored.find(key);
    if (found == stored.end()) return S_OK;
    return found->second.copyTo(result);
}
