#include <gtest/gtest.h>

#include "game/game_state.h"
#include "platform/platform.h"

// What a frame sees of the keys, with the window's events in between frames.
class Keys : public ::testing::Test {
protected:
    void SetUp() override { ResetGameState(); }
    void TearDown() override { ResetGameState(); }
};

TEST_F(Keys, ATapBetweenTwoFramesIsSeenByTheNextFrameOnly)
{
    NoteKey(KEY_RETURN, true);
    NoteKey(KEY_RETURN, false);
    EXPECT_EQ(keys[KEY_RETURN], 1) << "the frame after the tap sees the press";
    SettleKeys();
    EXPECT_EQ(keys[KEY_RETURN], 0) << "and the frame after that sees the release";
}

TEST_F(Keys, AHeldKeyReleasesAtOnceSoItNeverWalksOn)
{
    NoteKey(KEY_UP, true);
    SettleKeys();   // a frame walked with it
    NoteKey(KEY_UP, true);   // auto-repeat
    NoteKey(KEY_UP, false);
    EXPECT_EQ(keys[KEY_UP], 0);
    SettleKeys();
    EXPECT_EQ(keys[KEY_UP], 0);
}

TEST_F(Keys, PressesUsedOrRepeatedWithinAFrameKeepTheirMeaning)
{
    // A press the frame used, then released: nothing is left over.
    NoteKey(KEY_DOWN, true);
    keys[KEY_DOWN] = 0;   // taken by the menu
    SettleKeys();
    NoteKey(KEY_DOWN, false);
    EXPECT_EQ(keys[KEY_DOWN], 0);

    // Tapped, then pressed again and held before the frame: held.
    NoteKey(KEY_SPACE, true);
    NoteKey(KEY_SPACE, false);
    NoteKey(KEY_SPACE, true);
    SettleKeys();
    EXPECT_EQ(keys[KEY_SPACE], 1);

    // Codes beyond the table are ignored.
    NoteKey(KEY_CODES + 5, true);
    NoteKey(KEY_CODES + 5, false);
}
