#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"
#include "vorn/ReadWriteLock.h"

#include "TavoMessengerLib.h"

#include <cstddef>
#include <vector>

// The argument of a contact's OnContactInformationChanged: the information types that changed, in the
// order they were appended (repeats kept). Threads: any; `lock` guards `changedTypes`, shared for Office's
// reads, exclusive for append.
class UCCContactInformationChangedEventData
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCContactInformationChangedEventData,
                                           &IID_IUCCContactInformationChangedEventData, &LIBID_TavoMessengerLib> {
public:
    using Interfaces =
        extensionsutils::InterfaceTable<IUCCContactInformationChangedEventData,
                                        extensionsutils::Via<IDispatch, IUCCContactInformationChangedEventData>>;

    void append(ContactInformationType changedType);
    std::size_t count();

    HRESULT STDMETHODCALLTYPE get_ChangedContactInformation(SAFEARRAY** types) override;

private:
    vorn::ReadWriteLock lock;
    std::vector<ContactInformationType> changedTypes;
};
