#pragma once
// The transport's message framing. Every message is an 8-byte header (u32 body size,
// u8 tag, u8 flags, u16 zero) and a body of little-endian fields:
//
// client to server
//   CreateInstance  u32 call, GUID clsid, GUID iid
//   GetIDsOfNames   u32 call, u32 object, GUID riid, u32 lcid, u32 count (1..16), count x string
//   Invoke          u32 call, u32 object, i32 dispid, GUID riid, u32 lcid, u16 flags,
//                   u8 wantResult, u8 wantException, u32 args (<= 64), args x variant (rgvarg order),
//                   u32 named (<= args), named x i32
//   Release         u32 object
//   LockServer      u32 call, GUID clsid, u8 lock
//   MessageReply    u32 message, i64 result
// server to client
//   Reply           u32 call, u8 request tag, i32 hr, then by request:
//                   CreateInstance u32 object; GetIDsOfNames u32 count, count x i32;
//                   Invoke u32 argError, u8 hasException [u16 wCode, string source,
//                   string description, string helpFile, u32 helpContext, i32 scode],
//                   u8 hasResult [variant]; LockServer nothing
//   SendMessage     u32 call, u32 message, u64 hwnd, u32 msg, u64 wParam, i64 lParam,
//                   u8 hasData [u64 dwData, blob]
//
// string: u32 length in UTF-16 units (0xFFFFFFFF: null), then the units.
// variant: u16 vt, then the value: nothing (EMPTY, NULL), 1/2/4/8 bytes, a string,
//   u32 object id (DISPATCH, server to client only; 0 is null), or for arrays u8 dims
//   (1..3), dims x (u32 count, i32 lower bound), then the elements: a blob for
//   fixed-size types, strings, or variants (nesting at most 4 deep).
// blob: u8 0, then (for a plain blob, not an array's) u32 size, then the bytes; or
//   u8 1 (server to client only): u32 buffer, u8 isNew, u64 capacity, u64 offset,
//   u64 size: the bytes are in a shared-memory buffer of the server, whose memfd
//   travels with the message (flag 1) the first time.

#include "platform/automation/dispatch.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace velmora::automation::wire {

constexpr std::uint32_t kMaxMessageBytes = 512u << 20;
// What decoding one message may allocate in all (arrays, strings): a few bytes on the
// wire can stand for much more in memory (an empty variant takes 2 bytes there and 24
// here), so decoded memory is charged against the same budget as the message itself.
constexpr std::size_t kMaxDecodedBytes = kMaxMessageBytes;
constexpr std::size_t kHeaderBytes = 8;
constexpr std::uint32_t kMaxArguments = 64;
constexpr std::uint32_t kMaxNames = 16;
constexpr int kMaxVariantDepth = 4;
constexpr std::uint32_t kNullString = 0xFFFFFFFFu;
constexpr std::uint8_t kFlagFd = 1;

enum class Tag : std::uint8_t {
    CreateInstance = 1,
    GetIDsOfNames = 2,
    Invoke = 3,
    Release = 4,
    LockServer = 5,
    MessageReply = 6,
    Reply = 16,
    SendMessage = 17,
};

struct Header {
    std::uint32_t size = 0;
    Tag tag = Tag::Reply;
    std::uint8_t flags = 0;
};

bool isClientTag(std::uint8_t tag);
bool isServerTag(std::uint8_t tag);
// Checks the size bound, the reserved field and the flags (not the tag's direction).
bool parseHeader(const std::uint8_t* bytes, Header& header);

// A block of bytes held in shared memory.
struct BulkRef {
    std::uint32_t buffer = 0;
    bool isNew = false;
    std::uint64_t capacity = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// What encoding needs from its connection.
class EncodeHooks {
public:
    virtual ~EncodeHooks() = default;
    // Moves a large block into shared memory; false sends it inline.
    virtual bool placeBulk(const void* /*data*/, std::size_t /*bytes*/, BulkRef& /*ref*/) { return false; }
    // Makes an object reachable by the peer. Only null objects go by default.
    virtual HRESULT exportObject(IDispatch* /*object*/, std::uint32_t& /*id*/) { return DISP_E_TYPEMISMATCH; }
};

// What decoding needs from its connection.
class DecodeHooks {
public:
    virtual ~DecodeHooks() = default;
    // The bytes a bulk reference names, kept alive (and its buffer marked busy) by owner.
    virtual bool resolveBulk(const BulkRef& /*ref*/, void*& /*data*/, std::shared_ptr<void>& /*owner*/)
    {
        return false;
    }
    virtual HRESULT importObject(std::uint32_t /*id*/, IDispatch** /*object*/) { return E_UNEXPECTED; }
};

} // namespace velmora::automation::wire
