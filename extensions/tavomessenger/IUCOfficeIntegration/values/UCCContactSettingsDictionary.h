#pragma once

#include "IUCOfficeIntegration/values/DictionaryImpl.h"

// A contact's settings (its Settings answer): the tag flag and the telephone endpoints.
// A class rather than an alias, since the type library's header declares the name as its coclass.
class UCCContactSettingsDictionary
    : public DictionaryImpl<IUCCContactSettingDictionary, &IID_IUCCContactSettingDictionary, ContactSetting> {};
