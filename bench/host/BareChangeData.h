#pragma once

// The event data of the bare UC contact's OnContactInformationChanged: the presence types a host presence
// change touches, as the module reports them. Any thread.

#include "TavoMessengerLib.h"

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"

namespace bench {

class BareChangeData
    : public extensionsutils::ComObjectRoot,
      public extensionsutils::DispatchImpl<IUCCContactInformationChangedEventData,
                                           &IID_IUCCContactInformationChangedEventData, &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<IUCCContactInformationChangedEventData,
                                                       extensionsutils::Via<IDispatch, IUCCContactInformationChangedEventData>>;

    HRESULT STDMETHODCALLTYPE get_ChangedContactInformation(SAFEARRAY** types) override;
};

} // namespace bench
