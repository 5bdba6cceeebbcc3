#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/game_flow.h"
#include "game/options_page.h"
#include "platform/keys.h"

namespace {

Game game;

void Press(unsigned code)
{
    NoteKeyEvent(game.keys, code, true);
    StartKeyFrame(game.keys);
    HandleFlowKeys(game);
    NoteKeyEvent(game.keys, code, false);
}

void PressAll(const std::vector<unsigned>& codes)
{
    for (unsigned code : codes) Press(code);
}

std::string Shown(uint32_t row)
{
    char text[32];
    OptionRowValue(game.options, row, text, sizeof text);
    return text;
}

class OptionsPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameState(game);
        PressAll({KEY_DOWN, KEY_RETURN});   // "Options"
    }
};

TEST_F(OptionsPage, OpensFromTheMainMenuAndEscapeGoesBackToItsRow)
{
    ASSERT_EQ(game.flow.screen, SCREEN_OPTIONS);
    EXPECT_EQ(game.flow.menuCursor, 0u);
    Press(KEY_ESCAPE);
    EXPECT_EQ(game.flow.screen, SCREEN_MAIN_MENU);
    EXPECT_EQ(game.flow.menuCursor, MAIN_MENU_OPTIONS);
    EXPECT_TRUE(SameOptions(game.options, Options{})) << "looking changes nothing";
}

// Each row: the keys pressed on it and the value it then shows.
TEST_F(OptionsPage, LeftAndRightStepEachValueWithinItsRange)
{
    struct Case {
        uint32_t row;
        std::vector<unsigned> keys;
        const char* shown;
    };
    const Case cases[] = {
        {OPTION_MOUSE_SENSITIVITY, {KEY_RIGHT, KEY_RIGHT, KEY_RIGHT}, "0.30"},
        {OPTION_MOUSE_SENSITIVITY, {KEY_LEFT, KEY_LEFT, KEY_LEFT, KEY_LEFT}, "0.05"},
        {OPTION_MOUSE_SENSITIVITY, std::vector<unsigned>(12, KEY_RIGHT), "0.50"},
        {OPTION_INVERT_MOUSE, {KEY_RETURN}, "On"},
        {OPTION_INVERT_MOUSE, {KEY_RIGHT, KEY_LEFT}, "Off"},
        {OPTION_FIELD_OF_VIEW, std::vector<unsigned>(9, KEY_RIGHT), "90"},
        {OPTION_FIELD_OF_VIEW, std::vector<unsigned>(20, KEY_LEFT), "30"},
        {OPTION_FIELD_OF_VIEW, std::vector<unsigned>(20, KEY_RIGHT), "110"},
        {OPTION_PICTURE_SHAPE, {KEY_RETURN}, "Window's shape"},
        {OPTION_VERTICAL_SYNC, {KEY_RIGHT}, "On"},
        {OPTION_FRAME_LIMIT, {KEY_RIGHT, KEY_RIGHT}, "60"},
        {OPTION_FRAME_LIMIT, std::vector<unsigned>(9, KEY_RIGHT), "144"},
        {OPTION_FRAME_LIMIT, {KEY_RIGHT, KEY_LEFT, KEY_LEFT}, "Off"},
        {OPTION_TEXT_SIZE, {KEY_RIGHT, KEY_RIGHT}, "Follow window"},
        {OPTION_TEXT_SIZE, {KEY_LEFT}, "Follow window"},
    };
    for (const Case& c : cases) {
        game.options = Options{};
        game.flow.menuCursor = c.row;
        PressAll(c.keys);
        EXPECT_EQ(Shown(c.row), c.shown) << OptionRowName(c.row);
        EXPECT_EQ(game.flow.menuCursor, c.row) << "Left and Right leave the pointer";
    }

    // A hand-edited value between the steps moves to the next one its way.
    game.options.mouseSensitivity = 0.12;
    game.flow.menuCursor = OPTION_MOUSE_SENSITIVITY;
    Press(KEY_RIGHT);
    EXPECT_EQ(game.options.mouseSensitivity, 0.15);
    game.options.frameLimit = 75;
    game.flow.menuCursor = OPTION_FRAME_LIMIT;
    Press(KEY_LEFT);
    EXPECT_EQ(game.options.frameLimit, 60u);
}

TEST_F(OptionsPage, TheKeyPageBindsTheNextKeyAndMovesItFromElsewhere)
{
    game.flow.menuCursor = OPTION_KEYS;
    Press(KEY_RETURN);
    ASSERT_EQ(game.flow.screen, SCREEN_KEYS);

    PressAll({KEY_RETURN, 'I'});   // Forward's first key
    EXPECT_EQ(game.options.bindings.keys[ACTION_FORWARD][0], unsigned('I'));
    EXPECT_EQ(game.options.bindings.keys[ACTION_FORWARD][1], unsigned('W'));

    PressAll({KEY_DOWN, KEY_RIGHT, KEY_RETURN, 'W'});   // Back's second key: W leaves Forward
    EXPECT_EQ(game.options.bindings.keys[ACTION_BACK][1], unsigned('W'));
    EXPECT_EQ(game.options.bindings.keys[ACTION_FORWARD][1], NO_KEY);

    // Enter, F11 and F12 are not taken while waiting; Escape cancels.
    PressAll({KEY_RETURN, KEY_RETURN, KEY_F11, KEY_F12});
    EXPECT_TRUE(game.flow.awaitingKey);
    Press(KEY_ESCAPE);
    EXPECT_FALSE(game.flow.awaitingKey);
    EXPECT_EQ(game.options.bindings.keys[ACTION_BACK][1], unsigned('W'));
    EXPECT_EQ(game.flow.screen, SCREEN_KEYS) << "the first Escape only cancels the wait";

    Press(KEY_ESCAPE);
    EXPECT_EQ(game.flow.screen, SCREEN_OPTIONS);
    EXPECT_EQ(game.flow.menuCursor, OPTION_KEYS);
}

}  // namespace
