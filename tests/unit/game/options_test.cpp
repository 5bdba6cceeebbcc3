#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "game/options.h"
#include "platform/keys.h"
#include "support/temp_folder.h"

namespace {

const char DEFAULT_TEXT[] =
    "[Controls]\r\nMouseSensitivity = 0.15\r\nInvertMouse = 0\r\nForward = Up W\r\nBack = Down S\r\n"
    "TurnLeft = Left\r\nTurnRight = Right\r\nStepLeft = A\r\nStepRight = D\r\nMap = M\r\nReload = F5\r\n"
    "[View]\r\nFieldOfView = 45\r\nKeepAspect = 0\r\nVSync = 0\r\nFrameLimit = 0\r\nTextSize = Normal\r\nGhost = 0\r\n";

class OptionsFile : public ::testing::Test {
protected:
    Options Read(const std::string& text)
    {
        std::ofstream(folder.File("Options.ini"), std::ios::binary) << text;
        Options options;
        ReadOptions(options, folder.File("Options.ini").c_str());
        return options;
    }
    std::string Written(const Options& options)
    {
        EXPECT_TRUE(WriteOptions(options, folder.File("Options.ini").c_str()));
        std::ifstream in(folder.File("Options.ini"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    TempFolder folder;
};

TEST_F(OptionsFile, NoFileIsTodaysGameAndTheDefaultsWriteAsDocumented)
{
    Options options;
    ReadOptions(options, folder.File("absent.ini").c_str());
    EXPECT_TRUE(SameOptions(options, Options{}));
    EXPECT_EQ(Written(options), DEFAULT_TEXT);
    EXPECT_TRUE(SameOptions(Read(DEFAULT_TEXT), Options{})) << "the written file reads back as it was";
}

// Each line on its own over the defaults: what it leaves in the options.
TEST_F(OptionsFile, EachLineIsTakenOnlyWhenItIsWholeAndInRange)
{
    struct Case {
        const char* line;
        double sensitivity;
        uint32_t fov, frameLimit;
        bool invert, keepAspect;
        TextSize textSize;
    };
    const Case cases[] = {
        {"MouseSensitivity = 0.3", 0.3, 45, 0, false, false, TEXT_NORMAL},
        {"MouseSensitivity=0.12", 0.12, 45, 0, false, false, TEXT_NORMAL},   // hand-edited, off the steps
        {"MouseSensitivity = 0.5", 0.5, 45, 0, false, false, TEXT_NORMAL},
        {"MouseSensitivity = 0.51", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"MouseSensitivity = 0.04", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"MouseSensitivity = 0.2x", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"MouseSensitivity = nan", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"MouseSensitivity =", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"FieldOfView = 90\r", 0.15, 90, 0, false, false, TEXT_NORMAL},
        {"FieldOfView = 110", 0.15, 110, 0, false, false, TEXT_NORMAL},
        {"FieldOfView = 111", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"FieldOfView = 60.5", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"FieldOfView = -45", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"FrameLimit = 144", 0.15, 45, 144, false, false, TEXT_NORMAL},
        {"FrameLimit = 5", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"FrameLimit = 99999999999", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"InvertMouse = 1", 0.15, 45, 0, true, false, TEXT_NORMAL},
        {"InvertMouse = yes", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"KeepAspect = 1", 0.15, 45, 0, false, true, TEXT_NORMAL},
        {"TextSize = Large", 0.15, 45, 0, false, false, TEXT_LARGE},
        {"TextSize = FollowWindow", 0.15, 45, 0, false, false, TEXT_FOLLOW_WINDOW},
        {"TextSize = Huge", 0.15, 45, 0, false, false, TEXT_NORMAL},
        {"  FieldOfView = 90", 0.15, 45, 0, false, false, TEXT_NORMAL},   // keys start their line
        {"\x01\xff garbage", 0.15, 45, 0, false, false, TEXT_NORMAL},
    };
    for (const Case& c : cases) {
        const Options o = Read(std::string(c.line) + "\n");
        EXPECT_EQ(o.mouseSensitivity, c.sensitivity) << c.line;
        EXPECT_EQ(o.fieldOfView, c.fov) << c.line;
        EXPECT_EQ(o.frameLimit, c.frameLimit) << c.line;
        EXPECT_EQ(o.invertMouse, c.invert) << c.line;
        EXPECT_EQ(o.keepAspect, c.keepAspect) << c.line;
        EXPECT_EQ(o.textSize, c.textSize) << c.line;
    }
}

TEST_F(OptionsFile, KeyLinesBindByNameAndAKeyIsNeverBoundTwice)
{
    struct Case {
        const char* text;
        Action action;
        unsigned first, second;
    };
    const Case cases[] = {
        {"Forward = I\n", ACTION_FORWARD, 'I', NO_KEY},
        {"Forward = pageup home\n", ACTION_FORWARD, KEY_PRIOR, KEY_HOME},   // any case
        {"Forward = Space F9\n", ACTION_FORWARD, KEY_SPACE, KEY_F1 + 8},
        {"Forward = Up W X\n", ACTION_FORWARD, KEY_UP, 'W'},         // three names: the line is skipped
        {"Forward = Enter\n", ACTION_FORWARD, KEY_UP, 'W'},          // Enter keeps its meaning
        {"Forward = F12\n", ACTION_FORWARD, KEY_UP, 'W'},
        {"Forward = F11\n", ACTION_FORWARD, KEY_UP, 'W'},            // the full-screen key
        {"Forward = Up Nonsense\n", ACTION_FORWARD, KEY_UP, 'W'},
        {"Forward =\n", ACTION_FORWARD, KEY_UP, 'W'},
        {"Map = M\nMapping = Q\n", ACTION_MAP, 'M', NO_KEY},         // a longer key is no "Map" line
        // Moved, not doubled: M goes to Forward and leaves Map without a key.
        {"Forward = M\n", ACTION_MAP, NO_KEY, NO_KEY},
        {"Forward = M\n", ACTION_FORWARD, 'M', NO_KEY},
        {"Back = W\n", ACTION_FORWARD, KEY_UP, NO_KEY},
    };
    for (const Case& c : cases) {
        const Options o = Read(c.text);
        EXPECT_EQ(o.bindings.keys[c.action][0], c.first) << c.text;
        EXPECT_EQ(o.bindings.keys[c.action][1], c.second) << c.text;
    }

    // Every name the file can hold reads back as its key.
    for (unsigned code = 0; code < KEY_CODES; ++code) {
        const char* name = KeyName(code);
        if (name) {
            EXPECT_EQ(KeyOfName(name), code) << name;
        }
    }
    for (unsigned code : {unsigned(KEY_RETURN), unsigned(KEY_ESCAPE), unsigned(KEY_F11), unsigned(KEY_F12), 0u})
        EXPECT_EQ(KeyName(code), nullptr) << code;
}

TEST_F(OptionsFile, EverythingSetRoundTrips)
{
    Options set;
    set.mouseSensitivity = 0.35;
    set.invertMouse = true;
    BindKey(set.bindings, ACTION_FORWARD, 0, 'I');
    BindKey(set.bindings, ACTION_STEP_LEFT, 1, KEY_SHIFT);
    BindKey(set.bindings, ACTION_RELOAD, 0, KEY_F1 + 8);
    set.fieldOfView = 90;
    set.keepAspect = true;
    set.vsync = true;
    set.frameLimit = 30;
    set.textSize = TEXT_FOLLOW_WINDOW;
    Written(set);
    EXPECT_TRUE(SameOptions(Read(Written(set)), set));
}

TEST(TextSize, PixelHeightsForEachChoiceAndWindow)
{
    const struct {
        TextSize size;
        int32_t clientHeight;
        int32_t pixels;
    } cases[] = {
        {TEXT_NORMAL, 480, 12},        {TEXT_NORMAL, 2160, 12},       // normal never follows the window
        {TEXT_LARGE, 480, 24},         {TEXT_LARGE, 100, 24},
        {TEXT_FOLLOW_WINDOW, 480, 12}, {TEXT_FOLLOW_WINDOW, 960, 24}, {TEXT_FOLLOW_WINDOW, 2160, 54},
        {TEXT_FOLLOW_WINDOW, 500, 13},                                // rounded to the nearest pixel
        {TEXT_FOLLOW_WINDOW, 100, 6},                                 // never too small to read
        {TEXT_FOLLOW_WINDOW, 32767, 200},                             // nor beyond any window
        {TEXT_FOLLOW_WINDOW, 0, 12},   {TEXT_FOLLOW_WINDOW, -5, 12},  // minimised: as it was
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextPixelHeight(c.size, c.clientHeight), c.pixels) << c.size << " at " << c.clientHeight;
}

}  // namespace
