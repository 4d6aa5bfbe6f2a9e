#include "IUCOfficeIntegration/UCCContactSettingsDictionary.h"

HRESULT UCCContactSettingsDictionary::add(ContactSetting key, const VARIANT& value)
{
    return dictionary.add(key, value);
}

HRESULT UCCContactSettingsDictionary::get_Values(SAFEARRAY** values)
{
    return dictionary.Values(values);
}

HRESULT UCCContactSettingsDictionary::get_Count(LONG* count)
{
    return dictionary.Count(count);
}

HRESULT UCCContactSettingsDictionary::get_Item(ContactSetting key, VARIANT* value)
{
    return dictionary.Item(key, value);
}

HRESULT UCCContactSettingsDictionary::get_Keys(SAFEARRAY** keys)
{
    return dictionary.Keys(keys);
}

HRESULT UCCContactSettingsDictionary::TryGetValue(ContactSetting key, VARIANT* value, VARIANT_BOOL* found)
{
    return dictionary.TryGetValue(key, value, found);
}

HRESULT UCCContactSettingsDictionary::GetKeyAt(LONG index, ContactSetting* key)
{
    return dictionary.GetKeyAt(index, key);
}

HRESULT UCCContactSettingsDictionary::GetValueAt(LONG index, VARIANT* value)
{
    return dictionary.GetValueAt(index, value);
}

HRESULT UCCContactSettingsDictionary::ContainsKey(ContactSetting key, VARIANT_BOOL* found)
{
    return dictionary.ContainsKey(key, found);
}
