#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "game/replay.h"

namespace {

Replay Sample()
{
    Replay replay;
    replay.labyrinthHash = 0x0123456789abcdefull;
    replay.speedLimitMs = 10;
    const TickInput still = {0, 0, 0, 0.15};
    replay.ticks.assign(300, still);
    replay.ticks.push_back({1, 3, -2, 0.15});
    replay.ticks.push_back({1 | 4, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(), 0.15});
    replay.ticks.push_back({32, -1, 1, 0.3});   // the sensitivity changed in the menu mid-run
    replay.ticks.insert(replay.ticks.end(), 40, TickInput{2, 0, 0, 0.3});
    return replay;
}

bool Same(const TickInput& a, const TickInput& b)
{
    return a.actions == b.actions && a.mouseDx == b.mouseDx && a.mouseDy == b.mouseDy &&
           std::memcmp(&a.degreesPerPixel, &b.degreesPerPixel, sizeof(double)) == 0;
}

// Re-signs bytes after an edit, so a test reaches the checks behind the checksum.
void Resign(std::vector<unsigned char>& bytes)
{
    uint32_t value = 2166136261u;
    for (size_t k = 0; k + 4 < bytes.size(); ++k) value = (value ^ bytes[k]) * 16777619u;
    for (unsigned k = 0; k < 4; ++k) bytes[bytes.size() - 4 + k] = (unsigned char)(value >> (8 * k));
}

TEST(Replay, EveryTickComesBackAsItWent)
{
    const Replay replay = Sample();
    std::vector<unsigned char> bytes;
    EncodeReplay(replay, bytes);
    Replay back;
    ASSERT_EQ(DecodeReplay(bytes.data(), bytes.size(), back), ReplayRefusal::NONE);
    EXPECT_EQ(back.labyrinthHash, replay.labyrinthHash);
    EXPECT_EQ(back.speedLimitMs, 10u);
    ASSERT_EQ(back.ticks.size(), replay.ticks.size());
    for (size_t k = 0; k < replay.ticks.size(); ++k) ASSERT_TRUE(Same(back.ticks[k], replay.ticks[k])) << k;
    EXPECT_LT(bytes.size(), 80u) << "equal ticks are one run";

    Replay empty;
    empty.labyrinthHash = 1;
    EncodeReplay(empty, bytes);
    ASSERT_EQ(DecodeReplay(bytes.data(), bytes.size(), back), ReplayRefusal::NONE);
    EXPECT_TRUE(back.ticks.empty());
}

TEST(Replay, AMinuteOfRestlessMouseStaysSmall)
{
    Replay replay;
    replay.labyrinthHash = 7;
    replay.speedLimitMs = 10;
    for (int k = 0; k < 6000; ++k)   // a minute at 100 ticks a second, the mouse never still
        replay.ticks.push_back({uint32_t(k / 50 % 3), (k * 37) % 61 - 30, (k * 11) % 23 - 11, 0.15});
    std::vector<unsigned char> bytes;
    EncodeReplay(replay, bytes);
    EXPECT_LE(bytes.size(), 64u * 1024u);
    Replay back;
    EXPECT_EQ(DecodeReplay(bytes.data(), bytes.size(), back), ReplayRefusal::NONE);
}

TEST(Replay, DamageIsRefusedWithItsReasonAndNothingChanges)
{
    std::vector<unsigned char> good;
    EncodeReplay(Sample(), good);
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        bool resign;
        ReplayRefusal refusal;
    };
    std::vector<Case> cases = {
        {"nothing", {}, false, ReplayRefusal::NOT_A_REPLAY},
        {"another file", {0x89, 'P', 'N', 'G', 0, 0, 0, 0}, false, ReplayRefusal::NOT_A_REPLAY},
        {"a header alone", std::vector<unsigned char>(good.begin(), good.begin() + 20), false, ReplayRefusal::DAMAGED},
    };
    for (size_t cut = 4; cut < good.size(); cut += 3)   // cut anywhere
        cases.push_back({"cut short", std::vector<unsigned char>(good.begin(), good.begin() + cut), false,
                         ReplayRefusal::DAMAGED});
    std::vector<unsigned char> flipped = good;
    flipped[30] ^= 0x10;
    cases.push_back({"a flipped bit", flipped, false, ReplayRefusal::DAMAGED});
    std::vector<unsigned char> longer = good;
    longer[16] += 1;   // one tick more counted than the runs hold
    cases.push_back({"a count beyond the runs", longer, true, ReplayRefusal::DAMAGED});
    std::vector<unsigned char> shorter = good;
    shorter[16] -= 1;
    cases.push_back({"runs beyond the count", shorter, true, ReplayRefusal::DAMAGED});
    std::vector<unsigned char> huge = good;
    huge[19] = 0x7F;
    cases.push_back({"a count beyond any run", huge, true, ReplayRefusal::DAMAGED});
    std::vector<unsigned char> zero = good;
    zero[20] = 0;   // the first run's count
    cases.push_back({"an empty run", zero, true, ReplayRefusal::DAMAGED});
    std::vector<unsigned char> flags = good;
    flags[22] |= 0x40;   // the first run's movement byte (its count took two bytes)
    cases.push_back({"movement beyond the actions", flags, true, ReplayRefusal::DAMAGED});
    std::vector<unsigned char> nan = good;
    const double notANumber = std::nan("");
    std::memcpy(&nan[23], &notANumber, 8);
    cases.push_back({"a sensitivity that is no number", nan, true, ReplayRefusal::DAMAGED});
    std::vector<unsigned char> trailing = good;
    trailing.insert(trailing.end() - 4, 0);
    cases.push_back({"bytes after the last run", trailing, true, ReplayRefusal::DAMAGED});

    for (Case& c : cases) {
        if (c.resign) Resign(c.bytes);
        Replay kept = Sample();
        EXPECT_EQ(DecodeReplay(c.bytes.data(), c.bytes.size(), kept), c.refusal) << c.what;
        EXPECT_EQ(kept.ticks.size(), Sample().ticks.size()) << "untouched: " << c.what;
    }
    Replay nowhere;
    EXPECT_EQ(ReadReplay("no/such/replay.qrp", nowhere), ReplayRefusal::CANNOT_OPEN);
}

}  // namespace
