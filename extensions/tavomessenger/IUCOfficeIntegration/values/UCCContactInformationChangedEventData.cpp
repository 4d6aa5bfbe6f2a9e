#include "IUCOfficeIntegration/values/UCCContactInformationChangedEventData.h"

#include "extensionsutils/SafeArray.h"

void UCCContactInformationChangedEventData::append(ContactInformationType changedType)
{
    vorn::ExclusiveGuard guard(lock);
    changedTypes.push_back(changedType);
}

std::size_t UCCContactInformationChangedEventData::count()
{
    vorn::SharedGuard guard(lock);
    return changedTypes.size();
}

HRESULT UCCContactInformationChangedEventData::get_ChangedContactInformation(SAFEARRAY** types)
{
    if (!types) return E_POINTER;
    *types = nullptr;
    std::vector<LONG> values;
    {
        vorn::SharedGuard guard(lock);
        values.assign(changedTypes.begin(), changedTypes.end());
    }
    extensionsutils::SafeArray array = extensionsutils::SafeArray::ofInt32s(values);
    if (!array) return E_OUTOFMEMORY;
    *types = array.detach();
    return S_OK;
}
