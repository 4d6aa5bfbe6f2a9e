// The type library embedded in TavoMessenger.dll: the whole library, including what the build's fix-up step
// writes beyond what the IDL compiler can (the predeclared Messenger, the constants module, null interface
// defaults, the library's own IClassFactory), against the checked-in text of it, and every member of every
// dual interface reachable by name late-bound.
#include "TypeLibraryText.h"

#include "common/ProgramFolder.h"
#include "extensionsutils/Utf8.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <utility>

namespace typelib_test {
namespace {

std::string besideProgram(const wchar_t* file) { return extensionsutils::toUtf8(tools::besideThisProgram(file)); }

// Loaded once, from the module file beside the test program, with nothing registered.
ITypeLib* library()
{
    static ComPtr<ITypeLib> loaded = [] {
        ComPtr<ITypeLib> library;
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        LoadTypeLibEx(tools::besideThisProgram(L"TavoMessenger.dll").c_str(), REGKIND_NONE, library.out());
        return library;
    }();
    return loaded.get();
}

std::vector<std::string> readLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
    return lines;
}

// A virtual table whose every slot counts a call, the member's own slot as a hit. i686 members are
// __stdcall, so each stub takes exactly the member's argument words and leaves the stack balanced.
struct RecordingObject { void** vtable; int hits = 0, misses = 0; };
template <size_t> using Word = DWORD;
HRESULT counted(int& calls)
{
    ++calls;
    return S_OK;
}
template <size_t... Index>
struct Stubs {
    static HRESULT STDMETHODCALLTYPE hit(RecordingObject* self, Word<Index>...) { return counted(self->hits); }
    static HRESULT STDMETHODCALLTYPE miss(RecordingObject* self, Word<Index>...) { return counted(self->misses); }
};
using StubPair = std::pair<void*, void*>;
template <size_t... Index>
StubPair stubsFor(std::index_sequence<Index...>)
{ return {reinterpret_cast<void*>(&Stubs<Index...>::hit), reinterpret_cast<void*>(&Stubs<Index...>::miss)}; }
template <size_t... Count>
std::array<StubPair, sizeof...(Count)> stubTable(std::index_sequence<Count...>) { return {stubsFor(std::make_index_sequence<Count>())...}; }
constexpr size_t kMaxWords = 40;
const std::array<StubPair, kMaxWords + 1> kStubs = stubTable(std::make_index_sequence<kMaxWords + 1>());
HRESULT STDMETHODCALLTYPE queryInterface(RecordingObject* self, REFIID, void** result)
{
    *result = self;
    return S_OK;
}
ULONG STDMETHODCALLTYPE addRefOrRelease(RecordingObject*) { return 1; }

// The VARIANT type under which Invoke passes a parameter of this declared type without conversion.
VARTYPE variantType(ITypeInfo* context, const TYPEDESC& type)
{
    if (type.vt == VT_PTR) {
        const VARTYPE inner = variantType(context, *type.lptdesc);
        const bool interfaceValue = type.lptdesc->vt == VT_USERDEFINED && (inner == VT_DISPATCH || inner == VT_UNKNOWN);
        return interfaceValue ? inner : static_cast<VARTYPE>(inner | VT_BYREF);
    }
    if (type.vt == VT_SAFEARRAY) return static_cast<VARTYPE>(VT_ARRAY | variantType(context, *type.lptdesc));
    if (type.vt == VT_HRESULT) return VT_ERROR;
    if (type.vt != VT_USERDEFINED) return type.vt;
    ComPtr<ITypeInfo> referenced = referencedType(context, type.hreftype);
    TypeAttributes attributes = referenced ? attributesOf(referenced.get()) : nullptr;
    if (!attributes) return VT_EMPTY;
    if (attributes->typekind == TKIND_ENUM) return VT_I4;
    if (attributes->typekind == TKIND_ALIAS) return variantType(referenced.get(), attributes->tdescAlias);
    const bool dispatch = attributes->typekind == TKIND_DISPATCH || (attributes->wTypeFlags & TYPEFLAG_FDUAL);
    return dispatch ? VT_DISPATCH : VT_UNKNOWN;
}

// Words an argument of this type takes on the stack: i686 passes VARIANTs and 8-byte values by value.
size_t stackWords(VARTYPE type)
{
    if (sizeof(void*) == 8 || (type & VT_BYREF)) return sizeof(void*) / 4;
    if (type == VT_VARIANT || type == VT_DECIMAL) return 4;
    return type == VT_I8 || type == VT_UI8 || type == VT_R8 || type == VT_CY || type == VT_DATE ? 2 : 1;
}

// Null or zero arguments of exactly the declared types, reversed as DISPPARAMS holds them; the retval is
// Invoke's result.
struct Arguments {
    Arguments(ITypeInfo* type, const FUNCDESC& function) : storage(function.cParams)
    {
        for (SHORT index = function.cParams - 1; index >= 0; --index) {
            const ELEMDESC& parameter = function.lprgelemdescParam[index];
            const VARTYPE vt = variantType(type, parameter.tdesc), element = vt & ~(VT_ARRAY | VT_BYREF);
            words += stackWords(vt);
            interfaceArray |= (vt & VT_ARRAY) && (element == VT_DISPATCH || element == VT_UNKNOWN);
            if (parameter.paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)) continue;
            VARIANT value{};
            value.vt = vt;
            value.byref = vt & VT_BYREF ? storage[index].data() : nullptr;
            values.push_back(value);
        }
        const bool put = function.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF);
        parameters = {values.data(), put ? &putValue : nullptr, static_cast<UINT>(values.size()), put ? 1u : 0u};
    }
    std::vector<std::array<unsigned char, sizeof(VARIANT)>> storage;
    std::vector<VARIANT> values;
    DISPID putValue = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    size_t words = 0;
    bool interfaceArray = false; // a SAFEARRAY of interface pointers among the arguments
};

// Looks the member up by name on the dispatch side and invokes it into a recording object.
void expectReachable(ITypeInfo* dispatch, ITypeInfo* vtable, UINT index, size_t slots)
{
    FunctionDescription function = functionOf(vtable, index);
    ASSERT_TRUE(function);
    std::wstring name = extensionsutils::toUtf16(memberNames(vtable, function->memid).at(0));
    SCOPED_TRACE(typeName(dispatch) + "." + extensionsutils::toUtf8(name) + " kind " + std::to_string(function->invkind));
    LPOLESTR names[] = {&name[0]};
    MEMBERID id = DISPID_UNKNOWN;
    ASSERT_EQ(dispatch->GetIDsOfNames(names, 1, &id), S_OK);
    ASSERT_EQ(id, function->memid);

    Arguments arguments(vtable, *function);
    ASSERT_LE(arguments.words, kMaxWords);
    std::vector<void*> table(slots, kStubs[arguments.words].second);
    table[0] = reinterpret_cast<void*>(&queryInterface);
    table[1] = table[2] = reinterpret_cast<void*>(&addRefOrRelease);
    table.at(function->oVft / sizeof(void*)) = kStubs[arguments.words].first;
    RecordingObject object{table.data()};
    VARIANT result{};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const HRESULT hr = dispatch->Invoke(&object, id, static_cast<WORD>(function->invkind), &arguments.parameters,
                                        &result, &exception, &argumentError);
    VariantClear(&result);
    // Wine's type-library Invoke refuses a SAFEARRAY of interface pointers (DISP_E_BADVARTYPE) before
    // the call; Windows passes it. Such a member is reachable by name and through its virtual table.
    if (arguments.interfaceArray && hr == DISP_E_BADVARTYPE) return;
    EXPECT_EQ(hr, S_OK) << "argument " << argumentError;
    EXPECT_EQ(std::make_pair(object.hits, object.misses), std::make_pair(1, 0)) << "calls of the member's slot, of others";
}

} // namespace

// Names, identities, bases, slots, dispatch identifiers, parameter types and flags of every type (an
// unreadable description or a type of a foreign library shows in its line), against expected-typelib.txt.
// That file is the test of the published ids and dispatch identifiers: after an intended change, copy the
// written actual file over it only once every id and number in the difference reads as Office knows it.
TEST(TypeLibraryTest, MatchesTheExpectedDeclarations)
{
    ASSERT_NE(library(), nullptr) << "no type library in TavoMessenger.dll";
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library()->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64);
    library()->ReleaseTLibAttr(attributes);

    const std::vector<std::string> expected = readLines(besideProgram(L"expected-typelib.txt"));
    EXPECT_FALSE(expected.empty()) << "expected-typelib.txt is missing beside the test program";
    const std::vector<std::string> actual = dumpTypeLibrary(library());
    if (actual == expected) return;
    const std::string written = besideProgram(L"actual-typelib.txt");
    std::ofstream out(written, std::ios::binary);
    for (const std::string& line : actual) out << line << "\n";
    ADD_FAILURE() << "the type library differs from expected-typelib.txt (actual written to " << written << "):\n"
                  << testing::internal::edit_distance::CreateUnifiedDiff(expected, actual);
}

// Office mostly calls late-bound: name -> GetIDsOfNames -> Invoke -> the virtual-table slot. For every
// member of every dual interface, the name must reach exactly the slot the library declares, with
// arguments of the declared types. A recording object stands in for the implementation, so the sweep
// covers every declaration, implemented or not.
TEST(TypeLibraryTest, EveryMemberOfEveryDualInterfaceIsReachableByName)
{
    ASSERT_NE(library(), nullptr);
    size_t members = 0;
    forEachType(library(), [&](UINT, ITypeInfo* dispatch, ITypeInfo* vtable) {
        TypeAttributes attributes = vtable ? attributesOf(vtable) : nullptr;
        for (UINT function = 0; attributes && function < attributes->cFuncs; ++function, ++members)
            expectReachable(dispatch, vtable, function, attributes->cbSizeVft / sizeof(void*));
    });
    EXPECT_GT(members, 150u);
}

}  // namespace typelib_test
