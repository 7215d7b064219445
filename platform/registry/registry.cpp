#include "platform/registry/registry.h"

#include "platform/registry/hive_file.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <pwd.h>
#include <set>
#include <unistd.h>

struct RegistryKeyHandle {
    int hive;
    std::vector<std::string> path; // below the hive's root
    REGSAM access;
};

namespace velmora::registry {

namespace {

constexpr std::array<const char*, 3> kHiveNames = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                   "HKEY_LOCAL_MACHINE"};

RegistryKeyHandle g_roots[3] = {{0, {}, KEY_ALL_ACCESS}, {1, {}, KEY_ALL_ACCESS}, {2, {}, KEY_ALL_ACCESS}};

struct State {
    std::recursive_mutex mutex;
    std::array<std::unique_ptr<HiveFile>, 3> hives;
    std::set<HKEY> openHandles;
};

State& state()
{
    static State s;
    return s;
}

bool isRoot(HKEY key)
{
    return key == &g_roots[0] || key == &g_roots[1] || key == &g_roots[2];
}

bool isValid(HKEY key)
{
    return key && (isRoot(key) || state().openHandles.count(key) != 0);
}

HiveFile& hive(int index)
{
    auto& slot = state().hives[static_cast<std::size_t>(index)];
    if (!slot) {
        std::vector<std::string> base;
        if (index == 1)
            base = {"Software"};
        else if (index == 2)
            base = {"SOFTWARE"};
        std::string name = kHiveNames[static_cast<std::size_t>(index)];
        const std::string home = velmoraHome();
        if (home.empty()) {
            slot = std::make_unique<HiveFile>(name, std::vector<std::string>{}, std::string(), base,
                                              "there is no per-user folder for them (VELMORA_HOME, "
                                              "XDG_CONFIG_HOME and HOME are unset and the account has "
                                              "no home folder)");
        } else {
            slot = std::make_unique<HiveFile>(name, std::vector<std::string>{home, registryFolder()},
                                              registryFolder() + "/" + name + ".reg", base);
        }
    }
    return *slot;
}

RegistryKey* walk(const RegistryKey& root, const std::vector<std::string>& path)
{
    const RegistryKey* key = &root;
    for (const auto& part : path) {
        key = key->child(part);
        if (!key)
            return nullptr;
    }
    return const_cast<RegistryKey*>(key);
}

std::vector<std::string> joined(HKEY key, const char* subKey)
{
    std::vector<std::string> path = key->path;
    if (subKey)
        for (auto& part : splitKeyPath(subKey))
            path.push_back(std::move(part));
    return path;
}

// Names are kept in a line-oriented text file: control characters cannot be stored.
bool isStorableName(std::string_view name)
{
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20)
            return false;
    return true;
}

bool hasBadKeyName(const std::vector<std::string>& path)
{
    for (const auto& p : path)
        if (p.size() > 255 || !isStorableName(p))
            return true;
    return false;
}

HKEY newHandle(int hiveIndex, std::vector<std::string> path, REGSAM access)
{
    HKEY h = new RegistryKeyHandle{hiveIndex, std::move(path), access};
    state().openHandles.insert(h);
    return h;
}

std::string_view nameOf(const char* name)
{
    return name ? std::string_view(name) : std::string_view();
}

// Copies `size` bytes under the buffer-size protocol.
LONG deliver(const BYTE* bytes, DWORD size, BYTE* data, DWORD* dataSize)
{
    if (!data) {
        if (dataSize)
            *dataSize = size;
        return ERROR_SUCCESS;
    }
    if (!dataSize)
        return ERROR_INVALID_PARAMETER;
    DWORD capacity = *dataSize;
    *dataSize = size;
    if (capacity < size)
        return ERROR_MORE_DATA;
    if (size)
        std::memcpy(data, bytes, size);
    return ERROR_SUCCESS;
}

// The key behind a handle, for a read that needs `access`.
LONG keyForReading(HKEY key, REGSAM access, const RegistryKey*& found)
{
    if (!isValid(key))
        return ERROR_INVALID_HANDLE;
    if (!(key->access & access))
        return ERROR_ACCESS_DENIED;
    LONG rc = ERROR_SUCCESS;
    const RegistryKey* root = hive(key->hive).current(rc);
    if (!root)
        return rc;
    found = walk(*root, key->path);
    return found ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG deliverName(const std::string& text, char* name, DWORD* nameSize)
{
    if (!name || !nameSize)
        return ERROR_INVALID_PARAMETER;
    if (*nameSize < text.size() + 1)
        return ERROR_MORE_DATA;
    std::memcpy(name, text.c_str(), text.size() + 1);
    *nameSize = static_cast<DWORD>(text.size());
    return ERROR_SUCCESS;
}

} // namespace

namespace {

// $HOME, else the account's home folder; never a shared folder in their place.
std::string userHome()
{
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir == '/')
        return found->pw_dir;
    return {};
}

} // namespace

std::string velmoraHome()
{
    if (const char* home = std::getenv("VELMORA_HOME"); home && *home)
        return home;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return std::string(xdg) + "/velmora";
    const std::string home = userHome();
    return home.empty() ? std::string() : home + "/.config/velmora";
}

std::string registryFolder()
{
    const std::string home = velmoraHome();
    return home.empty() ? std::string() : home + "/registry";
}

Batch::Batch(HKEY key)
{
    std::lock_guard lock(state().mutex);
    if (!isValid(key))
        return;
    m_hive = key->hive;
    hive(m_hive).beginBatch();
}

Batch::~Batch()
{
    std::lock_guard lock(state().mutex);
    if (m_hive >= 0 && state().hives[static_cast<std::size_t>(m_hive)])
        state().hives[static_cast<std::size_t>(m_hive)]->endBatch();
}

void resetForTesting()
{
    std::lock_guard lock(state().mutex);
    for (auto& h : state().hives)
        h.reset();
}

} // namespace velmora::registry

using namespace velmora::registry;

HKEY hkeyClassesRoot()
{
    return &g_roots[0];
}
HKEY hkeyCurrentUser()
{
    return &g_roots[1];
}
HKEY hkeyLocalMachine()
{
    return &g_roots[2];
}

LONG RegCreateKeyEx(HKEY key, const char* subKey, REGSAM access, PHKEY result, DWORD* disposition)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(state().mutex);
    if (!isValid(key))
        return ERROR_INVALID_HANDLE;
    auto path = joined(key, subKey);
    if (hasBadKeyName(path))
        return ERROR_INVALID_PARAMETER;
    bool created = false;
    const std::size_t own = key->path.size();
    LONG rc = hive(key->hive).modify([&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* k = walk(root, key->path);
        if (!k)
            return ERROR_KEY_DELETED;
        for (std::size_t i = own; i < path.size(); ++i) {
            RegistryKey* next = k->child(path[i]);
            if (!next) {
                if (!(key->access & KEY_CREATE_SUB_KEY))
                    return ERROR_ACCESS_DENIED;
                next = &k->addChild(path[i]);
                created = changed = true;
            }
            k = next;
        }
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = newHandle(key->hive, std::move(path), access);
    return ERROR_SUCCESS;
}

LONG RegOpenKeyEx(HKEY key, const char* subKey, REGSAM access, PHKEY result)
{
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::lock_guard lock(state().mutex);
    if (!isValid(key))
        return ERROR_INVALID_HANDLE;
    auto path = joined(key, subKey);
    LONG rc = ERROR_SUCCESS;
    const RegistryKey* root = hive(key->hive).current(rc);
    if (!root)
        return rc;
    if (!walk(*root, path))
        return walk(*root, key->path) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
    *result = newHandle(key->hive, std::move(path), access);
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    std::lock_guard lock(state().mutex);
    if (isRoot(key))
        return ERROR_SUCCESS;
    if (!isValid(key))
        return ERROR_INVALID_HANDLE;
    state().openHandles.erase(key);
    delete key;
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* dataSize)
{
    std::lock_guard lock(state().mutex);
    const RegistryKey* k = nullptr;
    if (LONG rc = keyForReading(key, KEY_QUERY_VALUE, k); rc != ERROR_SUCCESS)
        return rc;
    const RegistryValue* v = k->value(nameOf(name));
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = v->type;
    return deliver(v->data.data(), static_cast<DWORD>(v->data.size()), data, dataSize);
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    if (!data && size)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(state().mutex);
    if (!isValid(key))
        return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (!isStorableName(nameOf(name)))
        return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> bytes(data, data + size);
    return hive(key->hive).modify([&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* k = walk(root, key->path);
        if (!k)
            return ERROR_KEY_DELETED;
        k->setValue(std::string(nameOf(name)), type, std::move(bytes));
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValue(HKEY key, const char* name)
{
    std::lock_guard lock(state().mutex);
    if (!isValid(key))
        return ERROR_INVALID_HANDLE;
    if (!(key->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    return hive(key->hive).modify([&](RegistryKey& root, bool& changed) -> LONG {
        RegistryKey* k = walk(root, key->path);
        if (!k)
            return ERROR_KEY_DELETED;
        if (!k->removeValue(nameOf(name)))
            return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
}

namespace {
LONG deleteBelow(HKEY key, const char* subKey, bool recursive)
{
    std::lock_guard lock(state().mutex);
    if (!isValid(key))
        return ERROR_INVALID_HANDLE;
    auto path = joined(key, subKey);
    return hive(key->hive).modify([&](RegistryKey& root, bool& changed) -> LONG {
        if (!walk(root, key->path))
            return ERROR_KEY_DELETED;
        RegistryKey* target = walk(root, path);
        if (!target)
            return ERROR_FILE_NOT_FOUND;
        if (path.size() == key->path.size()) {
            // RegDeleteTree with no subkey empties the key; RegDeleteKey needs a subkey.
            if (!recursive)
                return ERROR_INVALID_PARAMETER;
            target->clear();
            changed = true;
            return ERROR_SUCCESS;
        }
        if (!recursive && !target->children().empty())
            return ERROR_ACCESS_DENIED;
        if (path.size() == 1 && key->hive != 0 && namesEqual(path[0], "Software"))
            return ERROR_ACCESS_DENIED; // HKCU\Software and HKLM\SOFTWARE always exist
        std::vector<std::string> parentPath(path.begin(), path.end() - 1);
        walk(root, parentPath)->removeChild(path.back());
        changed = true;
        return ERROR_SUCCESS;
    });
}
} // namespace

LONG RegDeleteKey(HKEY key, const char* subKey)
{
    if (!subKey || !*subKey)
        return ERROR_INVALID_PARAMETER;
    return deleteBelow(key, subKey, false);
}

LONG RegDeleteTree(HKEY key, const char* subKey)
{
    return deleteBelow(key, subKey, true);
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize)
{
    std::lock_guard lock(state().mutex);
    const RegistryKey* k = nullptr;
    if (LONG rc = keyForReading(key, KEY_ENUMERATE_SUB_KEYS, k); rc != ERROR_SUCCESS)
        return rc;
    if (index >= k->children().size())
        return ERROR_NO_MORE_ITEMS;
    return deliverName(k->children()[index]->name(), name, nameSize);
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, BYTE* data,
                  DWORD* dataSize)
{
    std::lock_guard lock(state().mutex);
    const RegistryKey* k = nullptr;
    if (LONG rc = keyForReading(key, KEY_QUERY_VALUE, k); rc != ERROR_SUCCESS)
        return rc;
    if (index >= k->values().size())
        return ERROR_NO_MORE_ITEMS;
    const RegistryValue& v = k->values()[index];
    LONG rc = deliverName(v.name, name, nameSize);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (type)
        *type = v.type;
    return deliver(v.data.data(), static_cast<DWORD>(v.data.size()), data, dataSize);
}
