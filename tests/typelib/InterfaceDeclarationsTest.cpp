// Office calls the module through virtual tables and through IDispatch, and the module fires events and
// callbacks by dispatch identifier: every declaration of the tables must be in the library exactly.
#include "InterfaceDeclarations.h"
#include "ModuleTypeLibraryTest.h"

#include <string>

namespace typelib_test {
namespace {

std::string parameterName(const ::testing::TestParamInfo<InterfaceDeclaration>& info)
{
    return info.param.name;
}

GUID guidOf(const char* text)
{
    GUID guid = GUID_NULL;
    std::wstring wide(text, text + std::char_traits<char>::length(text));
    IIDFromString(wide.c_str(), &guid);
    return guid;
}

// GetNames answers by dispatch identifier; a property get and put share one, and the names are those of
// the member declared first.
std::vector<std::string> expectedNames(const InterfaceDeclaration& declaration, const MemberDeclaration& member)
{
    for (const MemberDeclaration& first : declaration.members) {
        if (first.dispid != member.dispid) continue;
        std::vector<std::string> names{first.name};
        for (const ParameterDeclaration& parameter : first.parameters)
            if (parameter.name) names.push_back(parameter.name);
        return names;
    }
    return {};
}

void expectParameters(ITypeInfo* type, const FUNCDESC* function, const MemberDeclaration& member)
{
    ASSERT_EQ(function->cParams, static_cast<SHORT>(member.parameters.size()));
    for (size_t index = 0; index < member.parameters.size(); ++index) {
        const ParameterDeclaration& expected = member.parameters[index];
        const ELEMDESC& actual = function->lprgelemdescParam[index];
        SCOPED_TRACE(expected.name ? expected.name : "(unnamed)");
        EXPECT_EQ(describe(type, actual.tdesc), expected.type);
        EXPECT_EQ(actual.paramdesc.wParamFlags, expected.marks);
    }
}

class DualInterfaceTest : public ModuleTypeLibraryTest,
                          public ::testing::WithParamInterface<InterfaceDeclaration> {
protected:
    ComRef<ITypeInfo> dispatchSide() { return typeOfGuid(library(), guidOf(GetParam().iid)); }

    ComRef<ITypeInfo> vtableSide()
    {
        ComRef<ITypeInfo> dispatch = dispatchSide();
        return dispatch ? interfaceSide(dispatch.get()) : nullptr;
    }
};

TEST_P(DualInterfaceTest, IsDualWithItsIdentityAndBase)
{
    const InterfaceDeclaration& declaration = GetParam();
    ComRef<ITypeInfo> dispatch = dispatchSide();
    ASSERT_TRUE(dispatch);
    EXPECT_EQ(typeName(dispatch.get()), declaration.name);
    TypeAttributes dispatchAttributes(dispatch.get());
    EXPECT_EQ(dispatchAttributes->typekind, TKIND_DISPATCH);
    EXPECT_TRUE(dispatchAttributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(dispatchAttributes->guid, *declaration.headerIid);

    ComRef<ITypeInfo> vtable = vtableSide();
    ASSERT_TRUE(vtable);
    TypeAttributes attributes(vtable.get());
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_EQ(attributes->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION),
              TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(attributes->cImplTypes, 1);
    ComRef<ITypeInfo> base = implementedType(vtable.get(), 0);
    ASSERT_TRUE(base);
    EXPECT_EQ(typeName(base.get()), declaration.base);
}

TEST_P(DualInterfaceTest, LaysOutMembersInSlotOrderWithTheirDispatchIdentifiers)
{
    const InterfaceDeclaration& declaration = GetParam();
    ComRef<ITypeInfo> vtable = vtableSide();
    ASSERT_TRUE(vtable);
    TypeAttributes attributes(vtable.get());
    ASSERT_EQ(attributes->cFuncs, declaration.members.size());
    EXPECT_EQ(attributes->cbSizeVft, (declaration.members.back().slot + 1) * sizeof(void*));
    for (UINT index = 0; index < declaration.members.size(); ++index) {
        const MemberDeclaration& member = declaration.members[index];
        SCOPED_TRACE(member.name);
        FunctionDescription function(vtable.get(), index);
        ASSERT_TRUE(function.valid());
        EXPECT_EQ(function->oVft, static_cast<SHORT>(member.slot * sizeof(void*)));
        EXPECT_EQ(function->memid, member.dispid);
        EXPECT_EQ(function->invkind, static_cast<INVOKEKIND>(member.kind));
        EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(function->callconv, CC_STDCALL);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        std::vector<std::string> names = memberNames(vtable.get(), member.dispid);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names.front(), member.name);
    }
}

TEST_P(DualInterfaceTest, DeclaresParameterTypesNamesAndMarks)
{
    const InterfaceDeclaration& declaration = GetParam();
    ComRef<ITypeInfo> vtable = vtableSide();
    ASSERT_TRUE(vtable);
    for (UINT index = 0; index < declaration.members.size(); ++index) {
        const MemberDeclaration& member = declaration.members[index];
        SCOPED_TRACE(member.name);
        FunctionDescription function(vtable.get(), index);
        ASSERT_TRUE(function.valid());
        expectParameters(vtable.get(), function.operator->(), member);
        EXPECT_EQ(memberNames(vtable.get(), member.dispid), expectedNames(declaration, member));
    }
}

TEST_P(DualInterfaceTest, AnswersGetIDsOfNamesWithEachMembersDispatchIdentifier)
{
    ComRef<ITypeInfo> dispatch = dispatchSide();
    ASSERT_TRUE(dispatch);
    for (const MemberDeclaration& member : GetParam().members) {
        std::wstring name(member.name, member.name + std::char_traits<char>::length(member.name));
        LPOLESTR names[] = {&name[0]};
        MEMBERID dispid = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(names, 1, &dispid), S_OK) << member.name;
        EXPECT_EQ(dispid, member.dispid) << member.name;
    }
}

INSTANTIATE_TEST_SUITE_P(TypeLibrary, DualInterfaceTest, ::testing::ValuesIn(dualInterfaces()), parameterName);

class DispatchInterfaceTest : public ModuleTypeLibraryTest,
                              public ::testing::WithParamInterface<InterfaceDeclaration> {
protected:
    ComRef<ITypeInfo> type() { return typeOfGuid(library(), guidOf(GetParam().iid)); }
};

TEST_P(DispatchInterfaceTest, IsDispatchOnlyWithItsIdentity)
{
    const InterfaceDeclaration& declaration = GetParam();
    ComRef<ITypeInfo> dispatch = type();
    ASSERT_TRUE(dispatch);
    EXPECT_EQ(typeName(dispatch.get()), declaration.name);
    TypeAttributes attributes(dispatch.get());
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
    EXPECT_FALSE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(attributes->guid, *declaration.headerIid);
    EXPECT_FALSE(interfaceSide(dispatch.get()));
    EXPECT_EQ(attributes->cFuncs, declaration.members.size());
}

TEST_P(DispatchInterfaceTest, DeclaresMembersInOrderWithTheirDispatchIdentifiersAndParameters)
{
    const InterfaceDeclaration& declaration = GetParam();
    ComRef<ITypeInfo> dispatch = type();
    ASSERT_TRUE(dispatch);
    for (UINT index = 0; index < declaration.members.size(); ++index) {
        const MemberDeclaration& member = declaration.members[index];
        SCOPED_TRACE(member.name);
        FunctionDescription function(dispatch.get(), index);
        ASSERT_TRUE(function.valid());
        EXPECT_EQ(function->memid, member.dispid);
        EXPECT_EQ(function->invkind, INVOKE_FUNC);
        EXPECT_EQ(function->funckind, FUNC_DISPATCH);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        expectParameters(dispatch.get(), function.operator->(), member);
        EXPECT_EQ(memberNames(dispatch.get(), member.dispid), expectedNames(declaration, member));
    }
}

INSTANTIATE_TEST_SUITE_P(TypeLibrary, DispatchInterfaceTest, ::testing::ValuesIn(dispatchInterfaces()),
                         parameterName);

}  // namespace
}  // namespace typelib_test
