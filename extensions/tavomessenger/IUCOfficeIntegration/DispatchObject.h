#pragma once

#include "extensionsutils/ComObject.h"
#include "extensionsutils/DispatchImpl.h"

#include "TavoMessengerLib.h"

// Base of a UC object that answers one dual interface of the module's type library, and IDispatch through
// it: the object root, the type-library IDispatch and the interface table. Made with ComObject<Class>.
template <class Interface, const IID* InterfaceId>
class DispatchObject : public extensionsutils::ComObjectRoot,
                       public extensionsutils::DispatchImpl<Interface, InterfaceId, &LIBID_TavoMessengerLib>
{
public:
    using Interfaces = extensionsutils::InterfaceTable<Interface, extensionsutils::Via<IDispatch, Interface>>;
};
