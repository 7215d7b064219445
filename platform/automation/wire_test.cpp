// The message codec and the shared-memory buffers, against well-formed and hostile input.
#include "platform/automation/bulk_buffer.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant_codec.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>

using namespace velmora::automation;
using namespace velmora::automation::wire;

namespace {

// Keeps bulk blocks in a sender/receiver pair inside this process.
class LoopbackHooks : public EncodeHooks, public DecodeHooks {
public:
    bool placeBulk(const void* data, std::size_t bytes, BulkRef& ref) override
    {
        int fd = -1;
        if (!sender.place(data, bytes, ref, fd))
            return false;
        pendingFd = fd >= 0 ? ::dup(fd) : -1;
        return true;
    }
    bool resolveBulk(const BulkRef& ref, void*& data, std::shared_ptr<void>& owner) override
    {
        return receiver.resolve(ref, pendingFd, data, owner);
    }
    BulkSender sender;
    BulkReceiver receiver;
    int pendingFd = -1;
};

std::vector<std::uint8_t> bodyOf(const WireWriter& writer)
{
    return {writer.data().begin() + kHeaderBytes, writer.data().end()};
}

Variant roundTrip(const Variant& value, LoopbackHooks& hooks)
{
    WireWriter writer(Tag::Reply);
    EXPECT_EQ(S_OK, encodeVariant(writer, *value.get(), hooks));
    writer.finish();
    const auto body = bodyOf(writer);
    WireReader reader(body);
    Variant decoded;
    EXPECT_TRUE(decodeVariant(reader, *decoded.get(), hooks));
    EXPECT_TRUE(reader.complete());
    return decoded;
}

TEST(WireTest, HeadersAreBoundedAndTagsBelongToOneSide)
{
    WireWriter writer(Tag::Invoke);
    writer.u32(7);
    ASSERT_TRUE(writer.finish());
    Header header;
    ASSERT_TRUE(parseHeader(writer.data().data(), header));
    EXPECT_EQ(4u, header.size);
    EXPECT_EQ(Tag::Invoke, header.tag);
    EXPECT_TRUE(isClientTag(3));
    EXPECT_FALSE(isServerTag(3));
    EXPECT_TRUE(isServerTag(17));
    EXPECT_FALSE(isClientTag(0));
    const std::uint8_t tooBig[] = {0x01, 0x00, 0x00, 0x20, 3, 0, 0, 0};
    EXPECT_FALSE(parseHeader(tooBig, header));
    const std::uint8_t reserved[] = {0, 0, 0, 0, 3, 0, 1, 0};
    EXPECT_FALSE(parseHeader(reserved, header));
    const std::uint8_t flags[] = {0, 0, 0, 0, 3, 2, 0, 0};
    EXPECT_FALSE(parseHeader(flags, header));
}

TEST(WireTest, ArraysTravelInlineOrThroughSharedMemory)
{
    LoopbackHooks hooks;
    const SAFEARRAYBOUND small[] = {{3, 0}, {2, 5}};
    Variant inlineArray = Variant::array(SafeArrayCreate(VT_R8, 2, small));
    static_cast<double*>(inlineArray->parray->pvData)[5] = 2.5;
    Variant back = roundTrip(inlineArray, hooks);
    ASSERT_EQ(VT_ARRAY | VT_R8, back->vt);
    EXPECT_EQ(2.5, static_cast<double*>(back->parray->pvData)[5]);
    EXPECT_EQ(5, back->parray->rgsabound[1].lLbound);
    EXPECT_EQ(nullptr, back->parray->dataOwner); // copied, not shared

    const SAFEARRAYBOUND large[] = {{640, 0}, {480, 0}, {3, 0}};
    Variant image = Variant::array(SafeArrayCreate(VT_I4, 3, large));
    auto* values = static_cast<std::int32_t*>(image->parray->pvData);
    for (std::size_t i = 0; i < 640 * 480 * 3; ++i)
        values[i] = static_cast<std::int32_t>(i);
    Variant first = roundTrip(image, hooks);
    ASSERT_NE(nullptr, first->parray->dataOwner);
    EXPECT_EQ(0, std::memcmp(values, first->parray->pvData, 640 * 480 * 3 * 4));
    // While the first is held the sender takes another buffer; once it is let go, the
    // first buffer is used again.
    Variant second = roundTrip(image, hooks);
    EXPECT_NE(first->parray->pvData, second->parray->pvData);
    const void* firstData = first->parray->pvData;
    first.put();
    Variant third = roundTrip(image, hooks);
    EXPECT_EQ(firstData, third->parray->pvData);
    EXPECT_EQ(640 * 480 * 3 - 1, static_cast<std::int32_t*>(third->parray->pvData)[640 * 480 * 3 - 1]);
}

TEST(WireTest, TypesThatCannotTravelAreRefused)
{
    EncodeHooks plain;
    WireWriter writer(Tag::Invoke);
    Variant unknown;
    unknown->vt = VT_UNKNOWN;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, encodeVariant(writer, *unknown.get(), plain));
    Variant object;
    object->vt = VT_DISPATCH;
    object->pdispVal = reinterpret_cast<IDispatch*>(&writer); // never dereferenced: refused first
    EXPECT_EQ(DISP_E_TYPEMISMATCH, encodeVariant(writer, *object.get(), plain));
    object->vt = VT_EMPTY;
    // Nesting deeper than the bound.
    Variant nested = Variant::i4(1);
    for (int depth = 0; depth < 6; ++depth) {
        SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 1);
        VariantCopy(static_cast<VARIANT*>(psa->pvData), nested.get());
        nested = Variant::array(psa);
    }
    EXPECT_EQ(DISP_E_TYPEMISMATCH, encodeVariant(writer, *nested.get(), plain));
}

TEST(WireTest, MalformedOrTruncatedVariantsAreRejectedWithoutLeaks)
{
    LoopbackHooks hooks;
    SAFEARRAY* names = SafeArrayCreateVector(VT_VARIANT, 0, 3);
    auto* items = static_cast<VARIANT*>(names->pvData);
    items[0] = Variant::string("alpha").detach();
    items[1] = Variant::array(SafeArrayCreateVector(VT_BSTR, 0, 2)).detach();
    items[2] = Variant::r8(1.5).detach();
    Variant value = Variant::array(names);
    WireWriter writer(Tag::Reply);
    ASSERT_EQ(S_OK, encodeVariant(writer, *value.get(), hooks));
    const auto body = bodyOf(writer);
    for (std::size_t cut = 0; cut < body.size(); ++cut) {
        std::vector<std::uint8_t> part(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(cut));
        WireReader reader(part);
        Variant out;
        EXPECT_FALSE(decodeVariant(reader, *out.get(), hooks)) << cut;
        EXPECT_EQ(VT_EMPTY, out->vt);
    }
    // Counts that claim more than the message holds.
    const std::uint8_t claims[] = {0x03, 0x20, 1, 0xFF, 0xFF, 0xFF, 0x3F, 0, 0, 0, 0, 0};
    WireReader claimReader(std::span<const std::uint8_t>(claims, sizeof claims));
    Variant out;
    EXPECT_FALSE(decodeVariant(claimReader, *out.get(), hooks));
    std::mt19937 random(99);
    for (int i = 0; i < 20000; ++i) {
        std::vector<std::uint8_t> noise(random() % 48);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(random());
        if (noise.size() >= 2 && i % 2)
            noise[1] = 0x20; // mostly arrays
        WireReader reader(noise);
        Variant decoded;
        decodeVariant(reader, *decoded.get(), hooks);
    }
}

TEST(WireTest, SharedBuffersAreOnlyMappedWhenSafe)
{
    BulkReceiver receiver;
    void* data = nullptr;
    std::shared_ptr<void> owner;
    // An unsealed memfd could shrink under the mapping.
    const int unsealed = memfd_create("probe", MFD_CLOEXEC);
    ASSERT_EQ(0, ftruncate(unsealed, 1 << 20));
    int fd = unsealed;
    EXPECT_FALSE(receiver.resolve(BulkRef{1, true, 1 << 20, 64, 100}, fd, data, owner));
    EXPECT_EQ(-1, fd); // taken and closed

    BulkSender sender;
    BulkRef ref;
    int sent = -1;
    const std::vector<std::uint8_t> bytes(100000, 7);
    ASSERT_TRUE(sender.place(bytes.data(), bytes.size(), ref, sent));
    auto attempt = [&](BulkRef r, bool withFd) {
        int copy = withFd ? ::dup(sent) : -1;
        const bool ok = receiver.resolve(r, copy, data, owner);
        if (copy >= 0)
            ::close(copy);
        return ok;
    };
    BulkRef wrongSize = ref;
    wrongSize.capacity += 4096;
    EXPECT_FALSE(attempt(wrongSize, true));
    BulkRef unknown = ref;
    unknown.isNew = false;
    unknown.buffer = 77;
    EXPECT_FALSE(attempt(unknown, false));
    EXPECT_FALSE(attempt(ref, false)); // a new buffer must bring its fd
    ASSERT_TRUE(attempt(ref, true));
    EXPECT_EQ(7, static_cast<std::uint8_t*>(data)[99999]);
    BulkRef outside = ref;
    outside.isNew = false;
    outside.offset = ref.capacity - 8;
    EXPECT_FALSE(attempt(outside, false));
    outside.offset = 65; // misaligned
    EXPECT_FALSE(attempt(outside, false));
}

} // namespace
