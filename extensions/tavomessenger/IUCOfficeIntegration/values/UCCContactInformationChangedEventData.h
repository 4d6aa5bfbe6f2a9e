#pragma once

#include "IUCOfficeIntegration/DispatchObject.h"

#include "vorn/ReadWriteLock.h"

#include <cstddef>
#include <vector>

// The argument of a contact's OnContactInformationChanged: the information types that changed, in the
// order they were appended (repeats kept). Threads: any; `lock` guards `changedTypes`, shared for Office's
// reads, exclusive for append.
class UCCContactInformationChangedEventData
    : public DispatchObject<IUCCContactInformationChangedEventData, &IID_IUCCContactInformationChangedEventData>
{
public:
    void append(ContactInformationType changedType);
    std::size_t count();

    HRESULT STDMETHODCALLTYPE get_ChangedContactInformation(SAFEARRAY** types) override;

private:
    vorn::ReadWriteLock lock;
    std::vector<ContactInformationType> changedTypes;
};
