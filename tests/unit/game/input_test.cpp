#include <gtest/gtest.h>

#include "game/controls.h"
#include "game/input.h"

namespace {

// One frame's events, then what that frame sees of a key.
struct Seen {
    bool held, wentDown, wentUp;
};

Seen Frame(KeyState& keys, unsigned code, std::initializer_list<bool> events)
{
    for (bool down : events) NoteKeyEvent(keys, code, down);
    StartKeyFrame(keys);
    return {IsHeld(keys, code), WentDown(keys, code), WentUp(keys, code)};
}

}  // namespace

// Each row: the key's events before two frames, and what each frame sees.
TEST(Input, EdgesAndLevelsOverTwoFrames)
{
    struct Case {
        const char* what;
        std::initializer_list<bool> first, second;
        Seen seenFirst, seenSecond;
    };
    const Case cases[] = {
        {"a tap between frames is held for one frame and counts once", {true, false}, {},
         {true, true, true}, {false, false, false}},
        {"held across frames: one edge, then held", {true}, {true},
         {true, true, false}, {true, true, false}},
        {"auto-repeat then release between frames: up at once, no walking on", {true}, {true, false},
         {true, true, false}, {false, true, true}},
        {"tapped, then pressed again and held", {true, false, true}, {},
         {true, true, true}, {true, false, false}},
        {"released and tapped again between frames: held one more frame", {true}, {false, true, false},
         {true, true, false}, {true, true, true}},
        {"nothing happened", {}, {}, {false, false, false}, {false, false, false}},
    };
    for (const Case& c : cases) {
        KeyState keys;
        const Seen first = Frame(keys, KEY_UP, c.first);
        const Seen second = Frame(keys, KEY_UP, c.second);
        EXPECT_EQ(first.held, c.seenFirst.held) << c.what;
        EXPECT_EQ(first.wentDown, c.seenFirst.wentDown) << c.what;
        EXPECT_EQ(first.wentUp, c.seenFirst.wentUp) << c.what;
        EXPECT_EQ(second.held, c.seenSecond.held) << c.what;
        EXPECT_EQ(second.wentDown, c.seenSecond.wentDown) << c.what;
        EXPECT_EQ(second.wentUp, c.seenSecond.wentUp) << c.what;
    }
}

TEST(Input, APressIsTakenOnceAndFocusLossForgetsEverything)
{
    KeyState keys;
    NoteKeyEvent(keys, KEY_RETURN, true);
    NoteKeyEvent(keys, KEY_CODES + 5, true);   // beyond the table: ignored
    StartKeyFrame(keys);
    EXPECT_TRUE(TakePress(keys, KEY_RETURN));
    EXPECT_FALSE(TakePress(keys, KEY_RETURN)) << "the rest of the frame no longer sees it";
    EXPECT_TRUE(IsHeld(keys, KEY_RETURN)) << "taking the press leaves the key held";
    EXPECT_FALSE(IsHeld(keys, KEY_CODES + 5));
    EXPECT_TRUE(PressedFromUp(keys, KEY_RETURN));
    NoteKeyEvent(keys, KEY_RETURN, true);   // auto-repeat
    StartKeyFrame(keys);
    EXPECT_TRUE(WentDown(keys, KEY_RETURN));
    EXPECT_FALSE(PressedFromUp(keys, KEY_RETURN)) << "a repeat is no fresh press";

    ForgetKeys(keys);
    StartKeyFrame(keys);
    EXPECT_FALSE(IsHeld(keys, KEY_RETURN)) << "its key-up went to another window";
}

// Every action is reached through its bindings, and either key of a pair works.
TEST(Input, DefaultBindingsMapEachActionToItsKeys)
{
    const KeyBindings bindings;
    struct Case {
        unsigned code;
        Action action;
    };
    const Case cases[] = {
        {KEY_UP, ACTION_FORWARD},       {'W', ACTION_FORWARD},     {KEY_DOWN, ACTION_BACK},
        {'S', ACTION_BACK},             {KEY_LEFT, ACTION_TURN_LEFT}, {KEY_RIGHT, ACTION_TURN_RIGHT},
        {'A', ACTION_STEP_LEFT},        {'D', ACTION_STEP_RIGHT},  {'M', ACTION_MAP},
        {KEY_F5, ACTION_RELOAD},
    };
    for (const Case& c : cases) {
        KeyState keys;
        NoteKeyEvent(keys, c.code, true);
        StartKeyFrame(keys);
        EXPECT_TRUE(IsActionHeld(keys, bindings, c.action)) << c.code;
        EXPECT_TRUE(TakeAction(keys, bindings, c.action)) << c.code;
        EXPECT_FALSE(TakeAction(keys, bindings, c.action)) << c.code;
    }
}
