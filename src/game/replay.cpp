#include "game/replay.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "labyrinth/text_lines.h"
#include "platform/platform.h"

namespace {

const unsigned char MAGIC[4] = {'Q', 'R', 'P', '1'};
const size_t HEADER_SIZE = 4 + 8 + 4 + 4;
const unsigned char NEW_SENSITIVITY = 0x80;
const uint32_t MOVEMENT_BITS = (1u << (ACTION_STEP_RIGHT + 1)) - 1;

uint32_t Checksum(const unsigned char* data, size_t size)
{
    uint32_t value = 2166136261u;
    for (size_t k = 0; k < size; ++k) value = (value ^ data[k]) * 16777619u;
    return value;
}

void PutLittle(std::vector<unsigned char>& bytes, uint64_t value, unsigned count)
{
    for (unsigned k = 0; k < count; ++k) bytes.push_back((unsigned char)(value >> (8 * k)));
}

uint64_t GetLittle(const unsigned char* p, unsigned count)
{
    uint64_t value = 0;
    for (unsigned k = 0; k < count; ++k) value |= uint64_t(p[k]) << (8 * k);
    return value;
}

void PutVarint(std::vector<unsigned char>& bytes, uint32_t value)
{
    while (value >= 0x80) {
        bytes.push_back((unsigned char)(value | 0x80));
        value >>= 7;
    }
    bytes.push_back((unsigned char)value);
}

uint32_t Zigzag(int32_t value)
{
    return (uint32_t(value) << 1) ^ uint32_t(value >> 31);
}

int32_t Unzigzag(uint32_t value)
{
    return int32_t(value >> 1) ^ -int32_t(value & 1);
}

struct Reader {
    const unsigned char* p;
    const unsigned char* end;
    bool ok = true;

    uint32_t Varint()
    {
        uint32_t value = 0;
        for (unsigned shift = 0; shift < 35; shift += 7) {
            if (p == end) break;
            const unsigned char byte = *p++;
            if (shift == 28 && byte > 0x0F) break;   // more than 32 bits
            value |= uint32_t(byte & 0x7F) << shift;
            if (!(byte & 0x80)) return value;
        }
        ok = false;
        return 0;
    }
    uint64_t Little(unsigned count)
    {
        if (size_t(end - p) < count) {
            ok = false;
            return 0;
        }
        const uint64_t value = GetLittle(p, count);
        p += count;
        return value;
    }
};

bool SameInput(const TickInput& a, const TickInput& b)
{
    return a.actions == b.actions && a.mouseDx == b.mouseDx && a.mouseDy == b.mouseDy &&
           a.degreesPerPixel == b.degreesPerPixel;
}

}  // namespace

const char* ReplayRefusalText(ReplayRefusal refusal)
{
    switch (refusal) {
    case ReplayRefusal::NONE: return "a replay";
    case ReplayRefusal::CANNOT_OPEN: return "cannot be read";
    case ReplayRefusal::NOT_A_REPLAY: return "not a replay";
    case ReplayRefusal::DAMAGED: return "damaged";
    case ReplayRefusal::OTHER_PICTURE: return "made in another labyrinth";
    }
    return "damaged";
}

void EncodeReplay(const Replay& replay, std::vector<unsigned char>& bytes)
{
    bytes.assign(MAGIC, MAGIC + 4);
    PutLittle(bytes, replay.labyrinthHash, 8);
    PutLittle(bytes, replay.speedLimitMs, 4);
    PutLittle(bytes, replay.ticks.size(), 4);
    double sensitivity = 0.0;   // none yet: the first run always says its own
    for (size_t k = 0; k < replay.ticks.size();) {
        const TickInput& input = replay.ticks[k];
        size_t same = 1;
        while (k + same < replay.ticks.size() && SameInput(replay.ticks[k + same], input)) ++same;
        PutVarint(bytes, uint32_t(same));
        const bool newSensitivity = input.degreesPerPixel != sensitivity;
        bytes.push_back((unsigned char)((input.actions & MOVEMENT_BITS) | (newSensitivity ? NEW_SENSITIVITY : 0)));
        if (newSensitivity) {
            uint64_t bits;
            std::memcpy(&bits, &input.degreesPerPixel, sizeof bits);
            PutLittle(bytes, bits, 8);
            sensitivity = input.degreesPerPixel;
        }
        PutVarint(bytes, Zigzag(input.mouseDx));
        PutVarint(bytes, Zigzag(input.mouseDy));
        k += same;
    }
    PutLittle(bytes, Checksum(bytes.data(), bytes.size()), 4);
}

ReplayRefusal DecodeReplay(const unsigned char* data, size_t size, Replay& replay)
{
    if (!data || size < 4 || std::memcmp(data, MAGIC, 4) != 0) return ReplayRefusal::NOT_A_REPLAY;
    if (size < HEADER_SIZE + 4) return ReplayRefusal::DAMAGED;
    const size_t body = size - 4;
    if (Checksum(data, body) != uint32_t(GetLittle(data + body, 4))) return ReplayRefusal::DAMAGED;
    Reader in = {data + 4, data + body};
    Replay read;
    read.labyrinthHash = in.Little(8);
    read.speedLimitMs = uint32_t(in.Little(4));
    const uint32_t count = uint32_t(in.Little(4));
    if (count > MAX_REPLAY_TICKS) return ReplayRefusal::DAMAGED;
    double sensitivity = 0.0;
    while (in.ok && read.ticks.size() < count) {
        const uint32_t same = in.Varint();
        if (in.p == in.end) in.ok = false;
        if (!in.ok || same == 0 || same > count - read.ticks.size()) return ReplayRefusal::DAMAGED;
        const unsigned char flags = *in.p++;
        if ((flags & ~(NEW_SENSITIVITY | MOVEMENT_BITS)) != 0) return ReplayRefusal::DAMAGED;
        if (flags & NEW_SENSITIVITY) {
            const uint64_t bits = in.Little(8);
            std::memcpy(&sensitivity, &bits, sizeof sensitivity);
            if (!std::isfinite(sensitivity) || sensitivity <= 0.0 || sensitivity > 10.0) return ReplayRefusal::DAMAGED;
        }
        if (sensitivity == 0.0) return ReplayRefusal::DAMAGED;   // the first run must say it
        TickInput input = {flags & MOVEMENT_BITS, Unzigzag(in.Varint()), Unzigzag(in.Varint()), sensitivity};
        if (!in.ok) return ReplayRefusal::DAMAGED;
        read.ticks.insert(read.ticks.end(), same, input);
    }
    if (!in.ok || in.p != in.end) return ReplayRefusal::DAMAGED;
    replay = std::move(read);
    return ReplayRefusal::NONE;
}

static bool WriteBytes(std::FILE* file, const void* context)
{
    const auto& bytes = *static_cast<const std::vector<unsigned char>*>(context);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool WriteReplay(const char* path, const Replay& replay)
{
    std::vector<unsigned char> bytes;
    EncodeReplay(replay, bytes);
    return ReplaceTextFile(path, WriteBytes, &bytes);
}

ReplayRefusal ReadReplay(const char* path, Replay& replay)
{
    std::FILE* file = PlatformOpenFile(path, "rb");
    if (!file) return ReplayRefusal::CANNOT_OPEN;
    std::vector<unsigned char> bytes;
    unsigned char buffer[65536];
    size_t got;
    // A replay of the longest run is far smaller than this; more is no replay.
    const size_t LARGEST = 64u << 20;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0 && bytes.size() <= LARGEST)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return ReplayRefusal::CANNOT_OPEN;
    if (bytes.size() > LARGEST) return ReplayRefusal::DAMAGED;
    return DecodeReplay(bytes.data(), bytes.size(), replay);
}

void ReplayPath(uint64_t labyrinthHash, char* path, size_t size)
{
    std::snprintf(path, size, "%s\\%016llx.qrp", REPLAY_FOLDER, (unsigned long long)labyrinthHash);
    PlatformLocalPath(path);
}
