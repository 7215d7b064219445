#pragma once
// Finding and creating automation classes: ProgID to CLSID through HKCR (and CurVer),
// in-process classes registered by the program itself, and local servers started
// on demand.
//
// A local server class is HKCR\CLSID\{clsid} with the default value of its
// LocalServer32 subkey naming the executable (optionally quoted and followed by
// arguments) and its value "AppID" naming the server. Clients reach the server over
// the Unix-domain socket $XDG_RUNTIME_DIR/velmora/{AppID}.sock (folder mode 0700;
// /tmp/velmora-<uid>/ without XDG_RUNTIME_DIR). When nothing listens, the executable
// is started with "-Embedding" (environment inherited, stdin and stdout on
// /dev/null) and awaited up to 10 s; clients racing to start one server wait for
// each other, so one server starts.

#include "platform/automation/guid.h"
#include "platform/automation/hresult.h"
#include "platform/automation/unknown.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// Classes registered in this process (InProcessClass) first, then
// HKCR\<progId>\CLSID, then HKCR\<progId>\CurVer followed. CO_E_CLASSSTRING when
// none resolves.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
// HKCR\CLSID\{clsid}\ProgID (a class of this process: its ProgID); free with
// CoTaskMemFree. REGDB_E_CLASSNOTREG when there is none.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);

// Objects of local servers are reached through a proxy offering IUnknown and
// IDispatch only (E_NOINTERFACE for other interfaces); a class object registered in
// this process for a requested context is used directly. REGDB_E_CLASSNOTREG when
// the class is found nowhere; CO_E_SERVER_EXEC_FAILURE when its server cannot be
// started or reached in time.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID iid, void** object);
// The class object itself (IClassFactory); serverInfo must be null.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void* serverInfo, REFIID iid, void** object);

// Registers a class object (an IClassFactory) for CLSCTX_INPROC_SERVER (creations in
// this process) and/or CLSCTX_LOCAL_SERVER (also published to other processes
// through the socket of the class's AppID, served on the calling thread's executor,
// see setThreadExecutor). Only REGCLS_MULTIPLEUSE. When another live process already
// serves the AppID the registration still succeeds, for this process only.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD clsContext, DWORD flags,
                              DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);
