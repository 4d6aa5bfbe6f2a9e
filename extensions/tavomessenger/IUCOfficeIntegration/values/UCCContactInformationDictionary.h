#pragma once

#include "IUCOfficeIntegration/values/DictionaryImpl.h"

// The answer of a contact's BatchGetContactInformation: information types and their values.
// A class rather than an alias, since the type library's header declares the name as its coclass.
class UCCContactInformationDictionary
    : public DictionaryImpl<IUCCContactInformationDictionary, &IID_IUCCContactInformationDictionary, ContactInformationType> {};
