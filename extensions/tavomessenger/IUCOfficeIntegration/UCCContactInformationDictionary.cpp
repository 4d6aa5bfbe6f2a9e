#include "IUCOfficeIntegration/UCCContactInformationDictionary.h"

HRESULT UCCContactInformationDictionary::add(ContactInformationType key, const VARIANT& value)
{
    return dictionary.add(key, value);
}

HRESULT UCCContactInformationDictionary::get_Values(SAFEARRAY** values)
{
    return dictionary.Values(values);
}

HRESULT UCCContactInformationDictionary::get_Count(LONG* count)
{
    return dictionary.Count(count);
}

HRESULT UCCContactInformationDictionary::get_Item(ContactInformationType key, VARIANT* value)
{
    return dictionary.Item(key, value);
}

HRESULT UCCContactInformationDictionary::get_Keys(SAFEARRAY** keys)
{
    return dictionary.Keys(keys);
}

HRESULT UCCContactInformationDictionary::TryGetValue(ContactInformationType key, VARIANT* value, VARIANT_BOOL* found)
{
    return dictionary.TryGetValue(key, value, found);
}

HRESULT UCCContactInformationDictionary::GetKeyAt(LONG index, ContactInformationType* key)
{
    return dictionary.GetKeyAt(index, key);
}

HRESULT UCCContactInformationDictionary::GetValueAt(LONG index, VARIANT* value)
{
    return dictionary.GetValueAt(index, value);
}

HRESULT UCCContactInformationDictionary::ContainsKey(ContactInformationType key, VARIANT_BOOL* found)
{
    return dictionary.ContainsKey(key, found);
}
