// The type library embedded in TavoMessenger.dll: the whole library against the checked-in text of it,
// what the build's fix-up step writes beyond what the IDL compiler can, and every member of every dual
// interface reachable by name late-bound.
#include "TypeLibraryText.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>
#include <utility>

namespace typelib_test {
namespace {

std::vector<std::string> readLines(const std::wstring& path)
{
    std::ifstream in(narrow(path.c_str()));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The differing stretch between the common head and the common tail, as "-expected" / "+actual" lines.
std::string differences(const std::vector<std::string>& expected, const std::vector<std::string>& actual)
{
    size_t head = 0;
    while (head < expected.size() && head < actual.size() && expected[head] == actual[head]) ++head;
    size_t tail = 0;
    while (tail < expected.size() - head && tail < actual.size() - head &&
           expected[expected.size() - 1 - tail] == actual[actual.size() - 1 - tail])
        ++tail;
    std::ostringstream out;
    out << "from line " << head + 1 << ":\n";
    for (size_t at = head; at < expected.size() - tail && at < head + 40; ++at) out << "-" << expected[at] << "\n";
    for (size_t at = head; at < actual.size() - tail && at < head + 40; ++at) out << "+" << actual[at] << "\n";
    return out.str();
}


// A virtual table whose every slot counts a call, the member's own slot as a hit. i686 members are
// __stdcall, so each stub takes exactly the member's argument words and leaves the stack balanced.
struct RecordingObject {
    void** vtable;
    int hits = 0;
    int misses = 0;
};

template <size_t>
using Word = DWORD;

template <size_t... Index>
struct Stubs {
    static HRESULT STDMETHODCALLTYPE hit(RecordingObject* self, Word<Index>...) { ++self->hits; return S_OK; }
    static HRESULT STDMETHODCALLTYPE miss(RecordingObject* self, Word<Index>...) { ++self->misses; return S_OK; }
};

using StubPair = std::pair<void*, void*>;

template <size_t... Index>
StubPair stubsFor(std::index_sequence<Index...>)
{
    return {reinterpret_cast<void*>(&Stubs<Index...>::hit), reinterpret_cast<void*>(&Stubs<Index...>::miss)};
}

template <size_t... Count>
std::array<StubPair, sizeof...(Count)> stubTable(std::index_sequence<Count...>)
{
    return {stubsFor(std::make_index_sequence<Count>())...};
}

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
    switch (type.vt) {
    case VT_PTR: {
        VARTYPE inner = variantType(context, *type.lptdesc);
        bool interfaceValue = type.lptdesc->vt == VT_USERDEFINED && (inner == VT_DISPATCH || inner == VT_UNKNOWN);
        return interfaceValue ? inner : static_cast<VARTYPE>(inner | VT_BYREF);
    }
    case VT_SAFEARRAY: return static_cast<VARTYPE>(VT_ARRAY | variantType(context, *type.lptdesc));
    case VT_HRESULT: return VT_ERROR;
    case VT_USERDEFINED: {
        ComRef<ITypeInfo> referenced = referencedType(context, type.hreftype);
        if (!referenced) return VT_EMPTY;
        TypeAttributes attributes = attributesOf(referenced.get());
        switch (attributes->typekind) {
        case TKIND_ENUM: return VT_I4;
        case TKIND_ALIAS: return variantType(referenced.get(), attributes->tdescAlias);
        case TKIND_DISPATCH: return VT_DISPATCH;
        case TKIND_INTERFACE: return (attributes->wTypeFlags & TYPEFLAG_FDUAL) ? VT_DISPATCH : VT_UNKNOWN;
        default: return VT_UNKNOWN;
        }
    }
    default: return type.vt;
    }
}

// Bytes an argument of this type takes on the i686 stack.
size_t stackBytes(VARTYPE type)
{
    if (type & VT_BYREF) return sizeof(void*);
    switch (type) {
    case VT_VARIANT: case VT_DECIMAL: return 16;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    default: return 4;
    }
}

struct Arguments {
    std::vector<VARIANT> values;  // reversed, as DISPPARAMS holds them
    std::vector<std::array<unsigned char, sizeof(VARIANT)>> storage;
    DISPID putValue = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{};
    size_t words = 0;
    bool interfaceArray = false; // a SAFEARRAY of interface pointers among the arguments
};

// Null or zero arguments of exactly the declared types; the retval is Invoke's result.
void buildArguments(ITypeInfo* type, const FUNCDESC& function, Arguments& arguments)
{
    arguments.storage.resize(function.cParams);
    for (SHORT index = function.cParams - 1; index >= 0; --index) {
        const ELEMDESC& parameter = function.lprgelemdescParam[index];
        VARTYPE vt = variantType(type, parameter.tdesc);
        arguments.words += (sizeof(void*) == 4 ? stackBytes(vt) : sizeof(void*)) / 4;
        const VARTYPE element = vt & ~(VT_ARRAY | VT_BYREF);
        if ((vt & VT_ARRAY) && (element == VT_DISPATCH || element == VT_UNKNOWN)) arguments.interfaceArray = true;
        if (parameter.paramdesc.wParamFlags & (PARAMFLAG_FRETVAL | PARAMFLAG_FLCID)) continue;
        VARIANT value;
        VariantInit(&value);
        value.vt = vt;
        if (vt & VT_BYREF) value.byref = arguments.storage[index].data();
        arguments.values.push_back(value);
    }
    arguments.parameters.rgvarg = arguments.values.data();
    arguments.parameters.cArgs = static_cast<UINT>(arguments.values.size());
    if (function.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) {
        arguments.parameters.rgdispidNamedArgs = &arguments.putValue;
        arguments.parameters.cNamedArgs = 1;
    }
}

class TypeLibraryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        library_ = loadModuleTypeLibrary().release();
    }
    static void TearDownTestSuite()
    {
        if (library_) library_->Release();
        library_ = nullptr;
        CoUninitialize();
    }
    void SetUp() override { ASSERT_NE(library_, nullptr) << "no type library in TavoMessenger.dll"; }
    static ITypeLib* library() { return library_; }

    // Looks the member up by name on the dispatch side and invokes it into the recording object.
    void expectReachable(ITypeInfo* dispatch, ITypeInfo* vtable, UINT index, int slots, int& members)
    {
        FunctionDescription function = functionOf(vtable, index);
        ASSERT_TRUE(function);
        std::string name = memberNames(vtable, function->memid).at(0);
        SCOPED_TRACE(typeName(dispatch) + "." + name + " kind " + std::to_string(function->invkind));
        std::wstring wide(name.begin(), name.end());
        LPOLESTR names[] = {&wide[0]};
        MEMBERID id = DISPID_UNKNOWN;
        ASSERT_EQ(dispatch->GetIDsOfNames(names, 1, &id), S_OK);
        ASSERT_EQ(id, function->memid);

        Arguments arguments;
        buildArguments(vtable, *function, arguments);
        ASSERT_LE(arguments.words, kMaxWords);
        std::vector<void*> table(slots, kStubs[arguments.words].second);
        table[0] = reinterpret_cast<void*>(&queryInterface);
        table[1] = table[2] = reinterpret_cast<void*>(&addRefOrRelease);
        table.at(function->oVft / sizeof(void*)) = kStubs[arguments.words].first;
        RecordingObject object{table.data()};
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception{};
        UINT argumentError = 0;
        const HRESULT hr = dispatch->Invoke(&object, id, static_cast<WORD>(function->invkind), &arguments.parameters,
                                            &result, &exception, &argumentError);
        ++members;
        // Wine's type-library Invoke refuses a SAFEARRAY of interface pointers (DISP_E_BADVARTYPE) before
        // the call; Windows passes it. Such a member is reachable by name and through its virtual table.
        if (arguments.interfaceArray && hr == DISP_E_BADVARTYPE) return;
        EXPECT_EQ(hr, S_OK) << "argument " << argumentError;
        EXPECT_EQ(object.hits, 1);
        EXPECT_EQ(object.misses, 0);
        VariantClear(&result);
    }

private:
    inline static ITypeLib* library_ = nullptr;
};

} // namespace

// Names, identities, bases, slots, dispatch identifiers, parameter types and flags of every type (an
// unreadable description or a type of a foreign library shows in its line), against expected-typelib.txt.
// After an intended change, copy the written actual file over the expected one.
TEST_F(TypeLibraryTest, MatchesTheExpectedDeclarations)
{
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library()->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->syskind, sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64);
    library()->ReleaseTLibAttr(attributes);

    std::vector<std::string> expected = readLines(besideProgram(L"expected-typelib.txt"));
    EXPECT_FALSE(expected.empty()) << "expected-typelib.txt is missing beside the test program";
    std::vector<std::string> actual = dumpTypeLibrary(library());
    if (actual == expected) return;
    const std::wstring written = besideProgram(L"actual-typelib.txt");
    std::ofstream out(narrow(written.c_str()), std::ios::binary);
    for (const std::string& line : actual) out << line << "\n";
    ADD_FAILURE() << "the type library differs from expected-typelib.txt (actual written to "
                  << narrow(written.c_str()) << ") " << differences(expected, actual);
}

// What the build's fix-up step writes beyond what the IDL compiler can, as the dump shows it.
TEST_F(TypeLibraryTest, HoldsWhatTheFixUpStepWrites)
{
    std::string text;
    for (const std::string& line : dumpTypeLibrary(library())) text += line + "\n";
    const char* const fixedUp[] = {
        // Messenger is predeclared: TYPEFLAG_FAPPOBJECT | TYPEFLAG_FCANCREATE | TYPEFLAG_FPREDECLID.
        "coclass Messenger {8885370D-B33E-44B7-875D-28E403CF9270} flags=0xb\n",
        // The constants moved from their enumeration into the module.
        "enum UCConstantValues\nmodule UCConstants\n  ucMinAudioVolume = 0\n  ucMaxAudioVolume = 65535\n"
        "  uiaConversationModeAll = 31\n  ucDefaultMaxSearchResults = 30\n",
        // A null interface-pointer default where the compiler wrote an inline VT_PTR.
        "IUCCAsynchronousOperation** _asyncOperation out retval optional default=null)",
        // The library's own IClassFactory, not the system declaration.
        "interface IClassFactory {00000001-0000-0000-C000-000000000046} slots=5\n  implements IUnknown\n"
        "  3 0x60010000 method CreateInstance(IUnknown* pUnkOuter in, GUID* riid in, void** ppvObject out)\n",
    };
    for (const char* expected : fixedUp) EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

// Office mostly calls late-bound: name -> GetIDsOfNames -> Invoke -> the virtual-table slot. For every
// member of every dual interface, the name must reach exactly the slot the library declares, with
// arguments of the declared types. A recording object stands in for the implementation, so the sweep
// covers every declaration, implemented or not.
TEST_F(TypeLibraryTest, EveryMemberOfEveryDualInterfaceIsReachableByName)
{
    int members = 0;
    for (UINT index = 0; index < library()->GetTypeInfoCount(); ++index) {
        ITypeInfo* type = nullptr;
        ASSERT_EQ(library()->GetTypeInfo(index, &type), S_OK);
        ComRef<ITypeInfo> dispatch(type);
        if (!(attributesOf(type)->wTypeFlags & TYPEFLAG_FDUAL)) continue;
        ComRef<ITypeInfo> vtable = interfaceSide(type);
        ASSERT_TRUE(vtable);
        TypeAttributes attributes = attributesOf(vtable.get());
        const int slots = static_cast<int>(attributes->cbSizeVft / sizeof(void*));
        for (UINT function = 0; function < attributes->cFuncs; ++function)
            expectReachable(dispatch.get(), vtable.get(), function, slots, members);
    }
    EXPECT_GT(members, 150);
}

}  // namespace typelib_test
