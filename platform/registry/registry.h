#pragma once
// Win32-shaped registry over per-user REGEDIT4 hive files.
//
// Keys are addressed through handles; a handle names a path inside one hive and is
// re-resolved on every call, so another process (the client and the device server
// share the same hives) may change the tree between calls. Key names compare
// case-insensitively (ASCII) and keep the case they were created with.
//
// Every change takes an exclusive flock on the hive's lock file, reloads the hive if
// another process committed since, applies the change, writes a temporary file,
// fsyncs it and renames it over the hive. Reads reload when the file changed.
//
// A hive whose file or folders belong to another user, or may be written by group or
// others, is refused before it is read; so is one that exists but cannot be read,
// and one whose lock cannot be had within a bound. Its calls then fail
// (ERROR_ACCESS_DENIED, ERROR_READ_FAULT, ERROR_LOCK_VIOLATION) and the reason is
// reported once on standard error; its file is never written over.

#include <cstdint>
#include <string>

using LONG = std::int32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using REGSAM = std::uint32_t;

struct RegistryKeyHandle;
using HKEY = RegistryKeyHandle*;
using PHKEY = HKEY*;

// Predefined roots: sentinel handles that are never freed.
HKEY hkeyClassesRoot();
HKEY hkeyCurrentUser();
HKEY hkeyLocalMachine();
#define HKEY_CLASSES_ROOT (::hkeyClassesRoot())
#define HKEY_CURRENT_USER (::hkeyCurrentUser())
#define HKEY_LOCAL_MACHINE (::hkeyLocalMachine())

// Result codes (Windows values).
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_OUTOFMEMORY = 14;
constexpr LONG ERROR_WRITE_FAULT = 29;
constexpr LONG ERROR_READ_FAULT = 30;
constexpr LONG ERROR_LOCK_VIOLATION = 33;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;
constexpr LONG ERROR_KEY_DELETED = 1018;
constexpr LONG ERROR_BADKEY = 1010;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

// Dispositions reported by RegCreateKeyEx.
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Creates (with missing parents) or opens `subKey` below `key`. An empty or null
// subKey opens `key` itself again. `disposition` may be null.
LONG RegCreateKeyEx(HKEY key, const char* subKey, REGSAM access, PHKEY result, DWORD* disposition = nullptr);
// Opens an existing key; ERROR_FILE_NOT_FOUND when any part of the path is missing.
LONG RegOpenKeyEx(HKEY key, const char* subKey, REGSAM access, PHKEY result);
LONG RegCloseKey(HKEY key);

// Buffer-size protocol: with data == null, *dataSize receives the size and the call
// succeeds; with a buffer smaller than the value, ERROR_MORE_DATA and the needed size.
// A null or empty name is the key's default value. type and dataSize may be null
// (dataSize only when data is null too).
LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* dataSize);
// Stores the bytes as given: a REG_SZ carries its terminating NUL only if the caller
// includes it in size.
LONG RegSetValueEx(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValue(HKEY key, const char* name);
// Deletes a subkey that has no subkeys of its own (as on Windows).
LONG RegDeleteKey(HKEY key, const char* subKey);
// Deletes subKey and everything below it; with an empty/null subKey, everything
// below `key` (values and subkeys) while `key` itself stays.
LONG RegDeleteTree(HKEY key, const char* subKey);
// Enumerates direct subkeys in creation order. *nameSize is the buffer size in
// characters on entry (including the NUL) and the name length (without it) on return.
LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize);
// Enumerates values in creation order; same size protocol for the name and the data.
LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, BYTE* data,
                  DWORD* dataSize);

namespace velmora::registry {

// Folder holding the hive files: velmoraHome() + "/registry"; empty when there is
// no per-user folder.
std::string registryFolder();

// Per-user state folder, shared by other per-user files: $VELMORA_HOME, else
// $XDG_CONFIG_HOME/velmora, else <home>/.config/velmora with <home> from $HOME or the
// account. Empty when none of them names one: settings then cannot be kept, and are
// never put in a shared folder instead.
std::string velmoraHome();

// Groups the changes this process makes to one hive (the hive of `key`): other
// processes wait until the batch ends, and the file is written once then instead of
// after every change. For saving many settings at once.
class Batch {
public:
    explicit Batch(HKEY key);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

private:
    int m_hive = -1;
};

// Forgets every cached hive so the next call reads the files again from the folder
// named by the environment at that time (tests switch VELMORA_HOME between cases).
void resetForTesting();

} // namespace velmora::registry
