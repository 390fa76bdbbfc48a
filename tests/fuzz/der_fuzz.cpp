// Fuzz harness: the DER writer's primitives as a fuzzed program of calls on
// one buffer of fuzzed capacity, against a model of the storage kept here.
// Each successful call must leave the storage exactly as the model does (the
// encoding prepended to the written region, nothing else touched); a call
// fails exactly when its encoding does not fit in front of the written
// region, and then touches neither the written region nor anything outside
// the storage. Object identifiers come from OpenSSL's dotted-form parser.
//
// Input: the capacity, then one opcode and its operands per call.
#include <openssl/objects.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "der/der.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/fuzz_input.h"
#include "support/guarded.h"

namespace {

using cerrojo::ByteSpan;
using cerrojo::DerBuffer;
using fuzzsupport::FuzzInput;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kFill = 0xEE;

// DER identifier and length octets, written out from X.690.
Bytes Header(std::uint32_t tag, std::uint32_t length) {
    Bytes h{static_cast<std::uint8_t>((tag & 0xFF) | (tag == 16 || tag == 17 ? 0x20 : 0))};
    if (length < 0x80) {
        h.push_back(static_cast<std::uint8_t>(length));
    } else {
        Bytes octets;
        for (std::uint32_t rest = length; rest != 0; rest >>= 8)
            octets.insert(octets.begin(), static_cast<std::uint8_t>(rest));
        h.push_back(static_cast<std::uint8_t>(0x80 | octets.size()));
        h.insert(h.end(), octets.begin(), octets.end());
    }
    return h;
}

Bytes Join(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// Content octets of an algorithm's object identifier, from its dotted form;
// empty for a value without an entry.
Bytes AlgorithmOid(cerrojo::AlgorithmId id) {
    const char* dotted = nullptr;
    switch (id) {
        case 2:
            dotted = "1.2.840.113549.2.2";
            break;
        case 4:
            dotted = "1.2.840.113549.2.4";
            break;
        case 5:
            dotted = "1.2.840.113549.2.5";
            break;
        case 6:
            dotted = "1.3.14.3.2.26";
            break;
        case 100:
            dotted = "1.2.840.113549.1.1.1";
            break;
        case 101:
            dotted = "1.2.840.113549.1.1.2";
            break;
        case 102:
            dotted = "1.2.840.113549.1.1.3";
            break;
        case 103:
            dotted = "1.2.840.113549.1.1.4";
            break;
        case 104:
            dotted = "1.2.840.113549.1.5.1";
            break;
        case 105:
            dotted = "1.2.840.113549.1.5.3";
            break;
        case 106:
            dotted = "1.3.14.3.2.7";
            break;
        case 107:
            dotted = "1.2.840.113549.3.4";
            break;
        case 108:
            dotted = "1.2.840.113549.1.12.1.6";
            break;
        case 109:
            dotted = "1.2.840.113549.1.12.1.5";
            break;
        case 110:
            dotted = "1.2.840.113549.1.12.1.3";
            break;
        case 111:
            dotted = "1.2.840.113549.1.1.5";
            break;
        case 112:
            dotted = "1.2.840.113549.3.7";
            break;
        case 113:
            dotted = "2.16.840.1.101.3.4.2.1";
            break;
        case 114:
            dotted = "1.2.840.113549.1.1.11";
            break;
        default:
            return {};
    }
    ASN1_OBJECT* object = OBJ_txt2obj(dotted, 1);
    FUZZ_CHECK(object != nullptr);
    const Bytes octets(OBJ_get0_data(object), OBJ_get0_data(object) + OBJ_length(object));
    ASN1_OBJECT_free(object);
    return octets;
}

// The storage as it must be: what the real buffer holds byte for byte.
struct Model {
    Bytes storage;
    std::uint32_t start;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint32_t capacity = in.Range(0, 600);
    dertest::GuardedArea area(capacity, kFill);
    DerBuffer buffer;
    cerrojo::DerInit(&buffer, area.data(), capacity);
    Model model{Bytes(capacity, kFill), capacity};
    DerBuffer saved = buffer;
    Model savedModel = model;

    while (!in.Empty()) {
        const std::uint8_t op = in.Byte();
        // The bytes the call should prepend; empty for calls that prepend nothing.
        Bytes encoding;
        std::uint32_t result = 0;
        bool prepends = true;
        switch (op % 9) {
            case 0: {
                const Bytes bytes = in.Sized(300);
                encoding = bytes;
                result = cerrojo::DerPrependBytes(
                    &buffer, ByteSpan{const_cast<std::uint8_t*>(bytes.data()),
                                      static_cast<std::uint32_t>(bytes.size())});
                break;
            }
            case 1: {
                const std::uint8_t byte = in.Byte();
                encoding = {byte};
                result = cerrojo::DerPrependByte(&buffer, byte);
                break;
            }
            case 2: {
                const std::uint32_t tag = in.Byte();
                const std::uint32_t length = in.Integer<std::uint32_t>() >> (in.Byte() % 32);
                encoding = Header(tag, length);
                result = cerrojo::DerPutHeader(&buffer, tag, length);
                break;
            }
            case 3: {
                // Header-only tags take the length from the span, not its bytes.
                const std::uint32_t tags[] = {16, 17, 2};
                const std::uint32_t tag = tags[in.Byte() % 3];
                const std::uint32_t length = in.Integer<std::uint32_t>() >> (in.Byte() % 32);
                encoding = Header(tag, length);
                result = cerrojo::DerPutTlv(&buffer, tag, ByteSpan{nullptr, length});
                break;
            }
            case 4: {
                // BIT STRING over bytes already written: the initial octet, then the header.
                const std::uint32_t length = in.Integer<std::uint32_t>() >> (in.Byte() % 32);
                if (length == UINT32_MAX) {
                    FUZZ_CHECK(cerrojo::DerPutTlv(&buffer, 3, ByteSpan{nullptr, length}) == 0);
                    FUZZ_CHECK(buffer.start == model.start);
                    continue;
                }
                encoding = Join(Header(3, length + 1), Bytes{0x00});
                result = cerrojo::DerPutTlv(&buffer, 3, ByteSpan{nullptr, length});
                break;
            }
            case 5: {
                // Primitive tags: the bytes, then their header.
                std::uint32_t tag = in.Byte();
                if (tag == 16 || tag == 17 || tag == 2 || tag == 3) tag = 4;
                const Bytes bytes = in.Sized(200);
                encoding = Join(Header(tag, static_cast<std::uint32_t>(bytes.size())), bytes);
                result = cerrojo::DerPutTlv(
                    &buffer, tag,
                    ByteSpan{bytes.empty() ? nullptr : const_cast<std::uint8_t*>(bytes.data()),
                             static_cast<std::uint32_t>(bytes.size())});
                break;
            }
            case 6: {
                // INTEGER of an unsigned magnitude: leading zeros dropped (one
                // kept for zero), a 00 sign byte unless asked to keep it as is.
                const int asIs = in.Byte() & 1;
                Bytes magnitude = in.Sized(260);
                if (magnitude.empty()) magnitude.push_back(0);
                Bytes contents(std::find_if(magnitude.begin(), magnitude.end() - 1,
                                            [](std::uint8_t b) { return b != 0; }),
                               magnitude.end());
                if (!asIs && (contents[0] & 0x80)) contents.insert(contents.begin(), 0x00);
                encoding = Join(Header(2, static_cast<std::uint32_t>(contents.size())), contents);
                result = cerrojo::DerPutInteger(
                    &buffer,
                    ByteSpan{magnitude.data(), static_cast<std::uint32_t>(magnitude.size())}, asIs);
                break;
            }
            case 7: {
                const std::uint8_t pick = in.Byte();
                const cerrojo::AlgorithmId id =
                    pick < 200 ? 100 + pick % 16
                               : (pick < 240 ? pick % 8 : in.Integer<std::uint32_t>());
                const Bytes oid = AlgorithmOid(id);
                if (oid.empty()) {  // no entry: refused, nothing written
                    FUZZ_CHECK(cerrojo::DerPutAlgorithmIdentifier(&buffer, id) == 0);
                    FUZZ_CHECK(buffer.start == model.start);
                    continue;
                }
                const Bytes inner = Join(
                    Join(Header(6, static_cast<std::uint32_t>(oid.size())), oid), {0x05, 0x00});
                encoding = Join(Header(16, static_cast<std::uint32_t>(inner.size())), inner);
                result = cerrojo::DerPutAlgorithmIdentifier(&buffer, id);
                break;
            }
            default: {
                prepends = false;
                const std::uint8_t what = in.Byte() % 3;
                if (what == 0) {  // hand out up to `wanted` bytes from the front
                    const std::uint32_t wanted = in.Range(0, 700);
                    ByteSpan taken{nullptr, wanted};
                    const std::uint32_t n = cerrojo::DerTake(&buffer, &taken);
                    const std::uint32_t written = capacity - model.start;
                    FUZZ_CHECK(n == std::min(wanted, written));
                    if (written != 0) {
                        FUZZ_CHECK(taken.data == area.data() + model.start && taken.length == n);
                        model.start += n;
                    }
                } else if (what == 1) {
                    cerrojo::DerSaveState(&buffer, &saved);
                    savedModel = model;
                } else {
                    cerrojo::DerRestoreState(&buffer, &saved);
                    model.start = savedModel.start;
                }
                break;
            }
        }
        FUZZ_CHECK(area.GuardsIntact());
        FUZZ_CHECK(buffer.data == area.data() && buffer.capacity == capacity);
        if (prepends) {
            const bool fits = encoding.size() <= model.start;
            if (!fits || encoding.empty()) {
                // Refused (or nothing to do): the written region is untouched.
                FUZZ_CHECK(result == 0);
                FUZZ_CHECK(std::equal(model.storage.begin() + model.start, model.storage.end(),
                                      area.data() + model.start));
                if (encoding.empty()) FUZZ_CHECK(buffer.start == model.start);
                if (!encoding.empty()) return 0;  // the free part now holds an unspecified prefix
                continue;
            }
            FUZZ_CHECK(result == encoding.size());
            model.start -= static_cast<std::uint32_t>(encoding.size());
            std::copy(encoding.begin(), encoding.end(), model.storage.begin() + model.start);
        }
        FUZZ_CHECK(buffer.start == model.start);
        FUZZ_CHECK(std::equal(model.storage.begin(), model.storage.end(), area.data()));
    }
    return 0;
}
