#include "client/devices/fake_camera.h"

#include "platform/automation/bstr.h"
#include "platform/automation/dispatch_object.h"
#include "platform/automation/variant_text.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace velmora::client::fakes {

namespace {

using automation::DispatchArgs;
using automation::Variant;

std::atomic<unsigned> g_classNumber{0};

SAFEARRAY* makeArray(const FakeCameraScript& script)
{
    const FrameGeometry& g = script.geometry;
    SAFEARRAYBOUND bounds[3] = {{static_cast<ULONG>(g.width), 0},
                                {static_cast<ULONG>(g.height), 0},
                                {static_cast<ULONG>(g.planeCount), 0}};
    SAFEARRAY* array = SafeArrayCreate(script.elementType, g.planeCount == 1 ? 2 : 3, bounds);
    if (array == nullptr || script.elementType != VT_I4)
        return array;
    const std::vector<std::int32_t> samples = script.frame();
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    std::memcpy(data, samples.data(), samples.size() * sizeof(std::int32_t));
    SafeArrayUnaccessData(array);
    return array;
}

class FakeCamera : public automation::DispatchObject<FakeCamera> {
public:
    explicit FakeCamera(FakeCameraScript* script) : m_script(script) {}

    static const automation::DispatchTable<FakeCamera>& dispatchTable();

private:
    // The block holds exactly the announced bytes, so a reader that goes further
    // leaves the allocation.
    HRESULT sendRawBuffer(HWND window)
    {
        const FakeCameraScript& s = *m_script;
        const std::vector<std::int32_t> samples = s.frame();
        const std::size_t full = samples.size() * sizeof(std::int32_t);
        const std::size_t announced = s.rawBytes ? std::min<std::size_t>(*s.rawBytes, full) : full;
        std::vector<unsigned char> block(s.rawByteOffset + announced);
        if (announced > 0)
            std::memcpy(block.data() + s.rawByteOffset, samples.data(), announced);
        COPYDATASTRUCT data{0, static_cast<DWORD>(announced), block.data() + s.rawByteOffset};
        const WPARAM word = s.rawWord ? *s.rawWord : packCopyDataGeometry(s.geometry);
        SendMessage(window, WM_COPYDATA, word, reinterpret_cast<LPARAM>(&data));
        return S_OK;
    }

    FakeCameraScript* m_script;
};

const automation::DispatchTable<FakeCamera>& FakeCamera::dispatchTable()
{
    static const auto table = [] {
        automation::DispatchTable<FakeCamera> t;
        t.get("Connected", 1, VT_BOOL, [](FakeCamera& self, DispatchArgs, VARIANT* out) {
            ++self.m_script->connectedReads;
            *out = Variant::boolean(self.m_script->connected).detach();
            return S_OK;
        });
        t.put("Connected", 1, VT_VARIANT, [](FakeCamera& self, DispatchArgs args, VARIANT*) {
            self.m_script->log += "Connected=" + automation::describeVariant(args[0]) + ";";
            self.m_script->connected = args[0].iVal != 0;
            return S_OK;
        });
        t.method("StartExposure", 2, {{"Duration", VT_VARIANT}, {"Light", VT_VARIANT}}, {},
                 [](FakeCamera& self, DispatchArgs args, VARIANT*) {
                     FakeCameraScript& s = *self.m_script;
                     s.log += "StartExposure(" + automation::describeVariant(args[0]) + "," +
                              automation::describeVariant(args[1]) + ");";
                     if (FAILED(s.startResult))
                         return automation::reportError(IID_NULL, "Fake", "Exposure refused");
                     ++s.exposuresStarted;
                     s.lastDuration = args[0].dblVal;
                     s.pollsSinceStart = 0;
                     if (s.onStart)
                         s.onStart();
                     return S_OK;
                 });
        t.get("ImageReady", 3, VT_BOOL, [](FakeCamera& self, DispatchArgs, VARIANT* out) {
            FakeCameraScript& s = *self.m_script;
            s.log += "ImageReady;";
            const bool ready = s.ready ? s.ready() : s.pollsSinceStart++ >= s.notReadyPolls;
            *out = Variant::boolean(ready).detach();
            return S_OK;
        });
        t.get("ImageArray", 4, VT_VARIANT, [](FakeCamera& self, DispatchArgs, VARIANT* out) {
            self.m_script->log += "ImageArray;";
            if (self.m_script->imageArrayFails)
                return automation::reportError(IID_NULL, "Fake", "No image");
            *out = Variant::array(makeArray(*self.m_script)).detach();
            return S_OK;
        });
        t.method("AbortExposure", 5, {}, {}, [](FakeCamera& self, DispatchArgs, VARIANT*) {
            self.m_script->log += "AbortExposure;";
            return S_OK;
        });
        t.method("GetRawBuffer", 6, {{"hwnd", VT_VARIANT}}, {},
                 [](FakeCamera& self, DispatchArgs args, VARIANT*) {
                     self.m_script->log += "GetRawBuffer(" + automation::describeVariant(args[0]) + ");";
                     const HRESULT hr = self.sendRawBuffer(static_cast<HWND>(args[0].llVal));
                     self.m_script->log += "returned;";
                     return hr;
                 });
        return t;
    }();
    return table;
}

} // namespace

std::vector<std::int32_t> FakeCameraScript::frame() const
{
    const std::size_t count = static_cast<std::size_t>(geometry.width) *
                              static_cast<std::size_t>(geometry.height) *
                              static_cast<std::size_t>(geometry.planeCount);
    std::vector<std::int32_t> samples(count);
    if (render) {
        render(samples, geometry);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            samples[i] = static_cast<std::int32_t>(i);
    }
    return samples;
}

std::unique_ptr<automation::InProcessClass> registerFakeCamera(const std::string& progId,
                                                               FakeCameraScript* script)
{
    const unsigned n = g_classNumber++;
    const GUID clsid{0x5ECA0000u + n, 0x4321, 0x8765, {9, 8, 7, 6, 5, 4, 3, 2}};
    return std::make_unique<automation::InProcessClass>(progId, clsid,
                                                        automation::creatorFor<FakeCamera>(script));
}

} // namespace velmora::client::fakes
