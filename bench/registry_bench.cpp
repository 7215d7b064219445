// Registry reads on a warm hive: what every settings read costs once the file is cached.
#include "platform/registry/registry.h"
#include "testing/temp_home.h"

#include <benchmark/benchmark.h>

namespace {

void BM_RegistryQueryDword(benchmark::State& state)
{
    velmora::testing::TempHome home;
    HKEY key = nullptr;
    RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Velmora Software\\Bench", KEY_ALL_ACCESS, &key);
    DWORD v = 42;
    RegSetValueEx(key, "Value", REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    for (auto _ : state) {
        DWORD out = 0, size = sizeof out, type = 0;
        RegQueryValueEx(key, "Value", &type, reinterpret_cast<BYTE*>(&out), &size);
        benchmark::DoNotOptimize(out);
    }
    RegCloseKey(key);
}
BENCHMARK(BM_RegistryQueryDword);

} // namespace
