// Enumerations are published under their alias names (MISTATUS, ContactInformationType, ...) and carry the
// values that the module and Office exchange; the C++ code uses the same values from the generated header.
#include "ModuleTypeLibraryTest.h"

#include "TavoMessengerLib.h"

#include <algorithm>
#include <string>
#include <vector>

namespace typelib_test {
namespace {

struct EnumerationValue {
    const char* enumeration;
    const char* member;
    long long value;
    long long headerValue;
};

#define VALUE_OF(enumeration, member, value) {#enumeration, #member, value, static_cast<long long>(member)}

const std::vector<EnumerationValue>& valuesReliedOn()
{
    static const std::vector<EnumerationValue> values = {
        VALUE_OF(MISTATUS, MISTATUS_UNKNOWN, 0),
        VALUE_OF(MISTATUS, MISTATUS_OFFLINE, 1),
        VALUE_OF(MISTATUS, MISTATUS_ONLINE, 2),
        VALUE_OF(MISTATUS, MISTATUS_AWAY, 34),
        VALUE_OF(MISTATUS, MISTATUS_DO_NOT_DISTURB, 114),
        VALUE_OF(MPHONE_TYPE, MPHONE_TYPE_ALL, -1),
        VALUE_OF(MPHONE_TYPE, MPHONE_TYPE_HOME, 0),
        VALUE_OF(MPHONE_TYPE, MPHONE_TYPE_WORK, 1),
        VALUE_OF(MPHONE_TYPE, MPHONE_TYPE_MOBILE, 2),
        VALUE_OF(MPHONE_TYPE, MPHONE_TYPE_CUSTOM, 3),
        VALUE_OF(MUASORT, MUASORT_GROUPS, 0),
        VALUE_OF(ADDRESS_TYPE, ADDRESS_TYPE_SMTP, 1),
        VALUE_OF(CONVERSATION_TYPE, CONVERSATION_TYPE_IM, 1),
        VALUE_OF(CONVERSATION_TYPE, CONVERSATION_TYPE_PHONE, 2),
        VALUE_OF(CONVERSATION_TYPE, CONVERSATION_TYPE_LIVEMEETING, 4),
        VALUE_OF(CONVERSATION_TYPE, CONVERSATION_TYPE_AUDIO, 8),
        VALUE_OF(CONVERSATION_TYPE, CONVERSATION_TYPE_VIDEO, 16),
        VALUE_OF(CONVERSATION_TYPE, CONVERSATION_TYPE_PSTN, 32),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_MSTATE, 0),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_AVAILABILITY, 1),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_IS_BLOCKED, 2),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_PRESENCE_NOTE, 3),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_IS_OOF, 4),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_TOOL_TIP, 5),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_CUSTOM_STATUS_STRING, 6),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_DEVICE_TYPE, 7),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_CURRENT_CALENDAR_STATE, 8),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_NEXT_CALENDAR_STATE, 9),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_NEXT_CALENDAR_STATE_TIME, 10),
        VALUE_OF(PRESENCE_PROPERTY, PRESENCE_PROP_MAX, 11),
        VALUE_OF(OIFeature, oiFeatureNonBuddyPresence, 4),
        VALUE_OF(OIFeature, oiFeatureContactTagging, 8),
        VALUE_OF(OIFeature, oiFeatureQuickContacts, 64),
        VALUE_OF(OIFeature, oiFeatureResolveContact, 128),
        VALUE_OF(OIInterface, oiInterfaceIUCCLyncClient, 1),
        VALUE_OF(OIInterface, oiInterfaceIUCCAutomation, 2),
        VALUE_OF(OIInterface, oiInterfaceIInteropHelper, 3),
        VALUE_OF(OIInterface, oiInterfaceIUCCLyncClientRaw, 256),
        VALUE_OF(OIInterface, oiInterfaceIUCCAutomationRaw, 257),
        VALUE_OF(ClientState, ucClientStateSignedOut, 1),
        VALUE_OF(ClientState, ucClientStateSignedIn, 3),
        VALUE_OF(ClientType, ucClientTypeUC, 1),
        VALUE_OF(ContactAvailability, ucAvailabilityNone, 0),
        VALUE_OF(ContactAvailability, ucAvailabilityFree, 3500),
        VALUE_OF(ContactAvailability, ucAvailabilityFreeIdle, 5000),
        VALUE_OF(ContactAvailability, ucAvailabilityBusy, 6500),
        VALUE_OF(ContactAvailability, ucAvailabilityBusyIdle, 7500),
        VALUE_OF(ContactAvailability, ucAvailabilityDoNotDisturb, 9500),
        VALUE_OF(ContactAvailability, ucAvailabilityTemporarilyAway, 12500),
        VALUE_OF(ContactAvailability, ucAvailabilityAway, 15500),
        VALUE_OF(ContactAvailability, ucAvailabilityOffline, 18500),
        VALUE_OF(ContactInformationType, ucPresenceAvailability, 0),
        VALUE_OF(ContactInformationType, ucPresenceActivityId, 1),
        VALUE_OF(ContactInformationType, ucPresenceActivity, 7),
        VALUE_OF(ContactInformationType, ucPresenceCustomActivity, 8),
        VALUE_OF(ContactInformationType, ucPresenceDisplayName, 10),
        VALUE_OF(ContactInformationType, ucPresenceLegacyInstantMessageAddresses, 11),
        VALUE_OF(ContactInformationType, ucPresenceContactEndpoints, 27),
        VALUE_OF(ContactInformationType, ucPresenceInstantMessageAddresses, 50),
        VALUE_OF(ContactSetting, ucContactTagged, 0x10000000),
        VALUE_OF(ContactEndpointType, ucContactEndpointTypeWorkPhone, 0),
        VALUE_OF(ContactEndpointType, ucContactEndpointTypeMobilePhone, 1),
        VALUE_OF(ContactEndpointType, ucContactEndpointTypeHomePhone, 2),
        VALUE_OF(ContactEndpointType, ucContactEndpointTypeOtherPhone, 3),
        VALUE_OF(ModalityTypes, ucModalityInstantMessage, 1),
        VALUE_OF(ModalityTypes, ucModalityAudioVideo, 2),
        VALUE_OF(UnifiedCommunicationType, ucUnifiedCommunicationEnabled, 1),
        VALUE_OF(AutomationModalities, uiaConversationModeInstantMessage, 1),
        VALUE_OF(AutomationModalities, uiaConversationModeAudio, 2),
        VALUE_OF(AutomationModalities, uiaConversationModeVideo, 4),
        VALUE_OF(AutomationModalitySettings, uiaConversationContextSubject, 1),
        VALUE_OF(AutomationModalitySettings, uiaConversationContextRemoteEndpointUri, 20),
    };
    return values;
}

#undef VALUE_OF

// Members that the module names without relying on their values.
const std::vector<std::pair<const char*, const char*>>& membersNamed()
{
    static const std::vector<std::pair<const char*, const char*>> members = {
        {"MISTATUS", "MISTATUS_BUSY"},
        {"MISTATUS", "MISTATUS_INVISIBLE"},
        {"MISTATUS", "MISTATUS_BE_RIGHT_BACK"},
        {"MISTATUS", "MISTATUS_IDLE"},
        {"MISTATUS", "MISTATUS_ON_THE_PHONE"},
        {"MMESSENGERPROPERTY", "MMESSENGERPROP_VERSION"},
        {"OIFeature", "oiFeatureFastSearch"},
        {"OIFeature", "oiFeaturePictures"},
        {"OIFeature", "oiFeatureSinglePartyFileTransfer"},
        {"OIFeature", "oiFeatureMultipartyFileTransfer"},
        {"OIFeature", "oiFeatureAddPowerPointToConversation"},
        {"OIFeature", "oiFeatureAddOneNoteToConversation"},
        {"OIFeature", "oiFeatureFreeBusyIntegration"},
        {"OIFeature", "oiFeaturePhoneNormalization"},
        {"ContactInformationType", "ucPresenceTitle"},
        {"ModalityTypes", "ucModalityApplicationSharing"},
    };
    return members;
}

const char* const kPublicEnumerations[] = {
    "SESSION_STATE", "SESSION_FLAGS", "MISTATUS", "MMESSENGERPROPERTY", "MCONTACTPROPERTY", "MWINDOWPROPERTY",
    "MPHONE_TYPE", "MOPTIONPAGE", "MUAFOLDER", "MSERVICEPROPERTY", "MUASORT", "ADDRESS_TYPE",
    "CONTACT_RESOLUTION_TYPE", "CONVERSATION_TYPE", "CONTACT_PROPERTY", "CALENDAR_STATE", "PRESENCE_PROPERTY",
    "OIFeature", "OIInterface", "ClientState", "ClientType", "LyncClientCapabilityTypes", "SupportedFeatures",
    "ContactInformationType", "PublishableContactInformationType", "ContactAvailability", "ContactSetting",
    "ContactEndpointType", "ModalityTypes", "UnifiedCommunicationType", "OrganizationStructureTypes",
    "ContactSubscriptionRefreshRate", "SettingItemTypeInternal", "NotificationTypes", "NotificationUrgencyType",
    "SearchProviders", "SearchFields", "SearchOptions", "SearchProviderStatusType", "AutomationModalities",
    "AutomationModalitySettings",
};

class TypeLibraryEnumerationTest : public ModuleTypeLibraryTest {
protected:
    // The unnamed enumeration behind a public alias name; null if the name is no alias of an enumeration.
    ComRef<ITypeInfo> enumerationBehind(const std::string& alias)
    {
        ComRef<ITypeInfo> type = findType(library(), alias);
        if (!type) return nullptr;
        TypeAttributes attributes(type.get());
        if (attributes->typekind != TKIND_ALIAS || attributes->tdescAlias.vt != VT_USERDEFINED) return nullptr;
        ComRef<ITypeInfo> enumeration = referencedType(type.get(), attributes->tdescAlias.hreftype);
        if (!enumeration || TypeAttributes(enumeration.get())->typekind != TKIND_ENUM) return nullptr;
        return enumeration;
    }

    const Constant* member(const std::vector<Constant>& constants, const std::string& name)
    {
        auto found = std::find_if(constants.begin(), constants.end(),
                                  [&](const Constant& constant) { return constant.name == name; });
        return found == constants.end() ? nullptr : &*found;
    }
};

TEST_F(TypeLibraryEnumerationTest, PublishesEachEnumerationAsAnAliasOfAnUnnamedEnumeration)
{
    for (const char* name : kPublicEnumerations) {
        ComRef<ITypeInfo> enumeration = enumerationBehind(name);
        ASSERT_TRUE(enumeration) << name;
        EXPECT_NE(typeName(enumeration.get()), name);
        EXPECT_FALSE(constantsOf(enumeration.get()).empty()) << name;
    }
}

TEST_F(TypeLibraryEnumerationTest, HoldsTheValuesThatTheModuleAndOfficeExchange)
{
    for (const EnumerationValue& expected : valuesReliedOn()) {
        SCOPED_TRACE(expected.member);
        ComRef<ITypeInfo> enumeration = enumerationBehind(expected.enumeration);
        ASSERT_TRUE(enumeration);
        std::vector<Constant> constants = constantsOf(enumeration.get());
        const Constant* actual = member(constants, expected.member);
        ASSERT_TRUE(actual);
        EXPECT_EQ(actual->value, expected.value);
    }
}

TEST_F(TypeLibraryEnumerationTest, HeaderEnumeratorsHaveTheLibrarysValues)
{
    for (const EnumerationValue& expected : valuesReliedOn())
        EXPECT_EQ(expected.headerValue, expected.value) << expected.member;
}

TEST_F(TypeLibraryEnumerationTest, DeclaresTheMembersThatTheModuleNames)
{
    for (const auto& [enumerationName, memberName] : membersNamed()) {
        ComRef<ITypeInfo> enumeration = enumerationBehind(enumerationName);
        ASSERT_TRUE(enumeration) << enumerationName;
        std::vector<Constant> constants = constantsOf(enumeration.get());
        EXPECT_TRUE(member(constants, memberName)) << memberName;
    }
}

TEST_F(TypeLibraryEnumerationTest, ModuleUCConstantsHoldsTheLibrarysConstants)
{
    ComRef<ITypeInfo> module = findType(library(), "UCConstants");
    ASSERT_TRUE(module);
    EXPECT_EQ(TypeAttributes(module.get())->typekind, TKIND_MODULE);
    std::vector<Constant> constants = constantsOf(module.get());
    ASSERT_EQ(constants.size(), 4u);
    EXPECT_EQ(constants[0].name, "ucMinAudioVolume");
    EXPECT_EQ(constants[0].value, 0);
    EXPECT_EQ(constants[1].name, "ucMaxAudioVolume");
    EXPECT_EQ(constants[1].value, 65535);
    EXPECT_EQ(constants[2].name, "uiaConversationModeAll");
    EXPECT_EQ(constants[2].value, 31);
    EXPECT_EQ(constants[3].name, "ucDefaultMaxSearchResults");
    EXPECT_EQ(constants[3].value, 30);
    EXPECT_EQ(ucMinAudioVolume, 0);
    EXPECT_EQ(ucMaxAudioVolume, 65535);
    EXPECT_EQ(uiaConversationModeAll, 31);
    EXPECT_EQ(ucDefaultMaxSearchResults, 30);
}

}  // namespace
}  // namespace typelib_test
