#pragma once

// The identities and names both bench programs share: the bare provider's two class ids (registered by the
// bench host beside the module's two) and the people of the bench host's directory.

#include <windows.h>
#include <oaidl.h>

namespace bench {

// {5E0C2F4A-7B1D-4C39-9A60-2D8E4F1B7C01}: the bare Messenger object, Office-side counterpart of CLSID_Messenger.
constexpr CLSID CLSID_BareMessenger = {0x5e0c2f4a, 0x7b1d, 0x4c39, {0x9a, 0x60, 0x2d, 0x8e, 0x4f, 0x1b, 0x7c, 0x01}};
// {5E0C2F4A-7B1D-4C39-9A60-2D8E4F1B7C02}: the second bare registration, as the module registers two classes.
constexpr CLSID CLSID_BareOfficeIntegration = {0x5e0c2f4a, 0x7b1d, 0x4c39, {0x9a, 0x60, 0x2d, 0x8e, 0x4f, 0x1b, 0x7c, 0x02}};

constexpr const wchar_t* BenchUser = L"me@bench.example";
constexpr const wchar_t* BenchContact = L"ada@bench.example";
// The contact whose UC events the bare provider fires: a contact of its own, so that a host change reaches
// one side only.
constexpr const wchar_t* BareEventContact = L"bob@bench.example";

} // namespace bench

namespace bench {

// The host's memory as benchoffice asks for it, through named objects of the host's session: benchoffice
// sets the request event; benchhost walks its heaps, writes the figures into the mapping and sets the
// answer event.
constexpr const wchar_t* HeapRequestEvent = L"Local\\TavoBenchHeapRequest";
constexpr const wchar_t* HeapAnswerEvent = L"Local\\TavoBenchHeapAnswer";
constexpr const wchar_t* HeapFiguresMapping = L"Local\\TavoBenchHeapFigures";

struct HeapFigures {
    unsigned long long bytesInUse; // busy blocks of every process heap (HeapWalk)
    long liveHostObjects;          // the fake host's COM objects alive
};

} // namespace bench

namespace bench {

// Event fan-out: each Office-side bench process advises its sinks on the module and the bare provider (on
// their Messenger objects, or on their UC contacts), then releases the ready semaphore once; every
// OnContactStatusChange (or OnContactInformationChanged) a sink receives releases its side's
// receipts semaphore once; the host sets the done event when it has measured, and the Office processes
// let go. The storm's end marker, a contact whose status is offline (no other bench contact is), releases
// the markers semaphore instead: it reaches a module sink after every change queued before it.
constexpr const wchar_t* SinksReadySemaphore = L"Local\\TavoBenchSinksReady";
constexpr const wchar_t* ModuleReceiptsSemaphore = L"Local\\TavoBenchModuleReceipts";
constexpr const wchar_t* BareReceiptsSemaphore = L"Local\\TavoBenchBareReceipts";
constexpr const wchar_t* StormMarkersSemaphore = L"Local\\TavoBenchStormMarkers";
constexpr const wchar_t* SinksDoneEvent = L"Local\\TavoBenchSinksDone";

// A property every bench sink answers with its process id (VT_I4), so that the bare provider can give each
// Office process a delivery lane of its own; no event interface has this dispatch id.
constexpr DISPID SinkProcessDispid = 0x4000BE01;

} // namespace bench
