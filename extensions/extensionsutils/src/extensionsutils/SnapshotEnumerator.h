#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/InterfaceTable.h"

#include "vorn/Mutex.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace extensionsutils {

// A COM enumerator (IEnumXxx) over a snapshot taken when it was made; clones share the snapshot.
// `HandOut` writes one element as the caller receives it (with its own references). Any thread.
template <class EnumInterface, class Item, class Stored, void (*HandOut)(const Stored&, Item*)>
class SnapshotEnumerator : public ComObjectRoot, public EnumInterface
{
public:
    using Interfaces = InterfaceTable<EnumInterface>;
    using Items = std::vector<Stored>;

    static HRESULT create(std::shared_ptr<const Items> items, EnumInterface** result, std::size_t position = 0)
    {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (!items) return E_INVALIDARG;
        MICComPtr<SnapshotEnumerator> enumerator = ComObject<SnapshotEnumerator>::create(std::move(items), position);
        if (!enumerator) return E_OUTOFMEMORY;
        return enumerator.copyTo(result);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG count, Item* items, ULONG* fetched) override
    {
        if (fetched) *fetched = 0;
        if (count > 0 && !items) return E_POINTER;
        if (count > 1 && !fetched) return E_POINTER;
        vorn::MutexGuard guard(mutex_);
        ULONG done = 0;
        while (done < count && position_ < items_->size()) HandOut((*items_)[position_++], &items[done++]);
        if (fetched) *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        vorn::MutexGuard guard(mutex_);
        const std::size_t left = items_->size() - position_;
        if (count > left) {
            position_ = items_->size();
            return S_FALSE;
        }
        position_ += count;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Reset() override
    {
        vorn::MutexGuard guard(mutex_);
        position_ = 0;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Clone(EnumInterface** result) override
    {
        std::size_t position = 0;
        {
            vorn::MutexGuard guard(mutex_);
            position = position_;
        }
        return create(items_, result, position);
    }

protected:
    SnapshotEnumerator(std::shared_ptr<const Items> items, std::size_t position)
        : items_(std::move(items)), position_(position)
    {
    }

private:
    const std::shared_ptr<const Items> items_;
    vorn::Mutex mutex_;
    std::size_t position_;
};

} // namespace extensionsutils
