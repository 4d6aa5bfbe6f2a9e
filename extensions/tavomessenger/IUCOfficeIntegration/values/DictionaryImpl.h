#pragma once

#include "IUCOfficeIntegration/DispatchObject.h"
#include "logging/Results.h"

#include "extensionsutils/SafeArray.h"
#include "extensionsutils/Variant.h"

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <iterator>
#include <map>
#include <new>
#include <utility>
#include <vector>

// A UC dictionary keyed by an enumeration, as a COM object of its interface: each key maps to the position
// of its value, and the values stay in the order they were added. Keys answer in ascending key order, values in the order of
// adding. Every answer is a copy that the caller owns.
//
// Threads: filled by the module before the dictionary is handed out, then only read, from any thread;
// there is no lock, so add() must not run once Office holds the dictionary.
template <class Interface, const IID* InterfaceId, class Key>
class DictionaryImpl : public DispatchObject<Interface, InterfaceId>
{
public:
    // Appends a copy of the value for the key. A key already held keeps its position and takes the new
    // value there, so that every position still belongs to its key. The copy's failure is returned and
    // nothing changes.
    HRESULT add(Key key, const VARIANT& value)
    {
        extensionsutils::Variant copy;
        const HRESULT hr = VariantCopy(copy.out(), const_cast<VARIANT*>(&value)); // the SDK header lacks const
        if (FAILED(hr)) return hr;
        const auto held = keyPositions.find(key);
        if (held != keyPositions.end()) {
            values[held->second] = std::move(copy);
            return S_OK;
        }
        try {
            values.push_back(std::move(copy));
            keyPositions.emplace(key, values.size() - 1);
        } catch (const std::bad_alloc&) {
            if (values.size() > keyPositions.size()) values.pop_back(); // keys and positions stay paired
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_Values(SAFEARRAY** result) override
    {
        if (!result) return E_POINTER;
        *result = nullptr;
        extensionsutils::SafeArray array = extensionsutils::SafeArray::ofVariants(values);
        if (!array) return E_OUTOFMEMORY;
        *result = array.detach();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override
    {
        if (!count) return E_POINTER;
        *count = static_cast<LONG>(keyPositions.size());
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_Item(Key key, VARIANT* value) override
    {
        if (!value) return E_POINTER;
        VariantInit(value);
        const auto held = keyPositions.find(key);
        if (held == keyPositions.end()) return E_FAIL;
        return values[held->second].copyTo(value);
    }

    HRESULT STDMETHODCALLTYPE get_Keys(SAFEARRAY** result) override
    try {
        if (!result) return E_POINTER;
        *result = nullptr;
        std::vector<LONG> keys;
        for (const auto& entry : keyPositions) keys.push_back(static_cast<LONG>(entry.first));
        extensionsutils::SafeArray array = extensionsutils::SafeArray::ofInt32s(keys);
        if (!array) return E_OUTOFMEMORY;
        *result = array.detach();
        return S_OK;
    }
    TAVO_CATCH_RETURN

    // An absent key is an answer, not a failure: found is VARIANT_FALSE and the value empty.
    HRESULT STDMETHODCALLTYPE TryGetValue(Key key, VARIANT* value, VARIANT_BOOL* found) override
    {
        if (!value || !found) return E_POINTER;
        *found = SUCCEEDED(get_Item(key, value)) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetKeyAt(LONG index, Key* key) override
    {
        if (!key) return E_POINTER;
        if (index < 0 || static_cast<std::size_t>(index) >= keyPositions.size()) return E_FAIL;
        auto entry = keyPositions.begin();
        std::advance(entry, index);
        *key = entry->first;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetValueAt(LONG index, VARIANT* value) override
    {
        if (!value) return E_POINTER;
        VariantInit(value);
        if (index < 0 || static_cast<std::size_t>(index) >= values.size()) return E_FAIL;
        return values[static_cast<std::size_t>(index)].copyTo(value);
    }

    HRESULT STDMETHODCALLTYPE ContainsKey(Key key, VARIANT_BOOL* found) override
    {
        if (!found) return E_POINTER;
        *found = keyPositions.count(key) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

private:
    std::map<Key, std::size_t> keyPositions;
    std::vector<extensionsutils::Variant> values;
};
