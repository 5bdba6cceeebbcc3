#include <gtest/gtest.h>

#include "render/gl_window.h"

#ifndef _WIN32
#include "null/null_platform.h"
#include "support/gl_fake.h"

TEST(GlWindow, HasGlExtensionMatchesWholeNamesOnly)
{
    GlFakeSetExtensions("GL_ARB_multitexture GL_EXT_abgr WGL_EXT_swap_control_tear GL_EXT_fog_coord");
    struct Case { const char* name; bool listed; };
    const Case cases[] = {
        {"GL_ARB_multitexture", true},      // first in the string
        {"GL_EXT_fog_coord", true},         // last in the string
        {"GL_EXT_abgr", true},
        {"WGL_EXT_swap_control", false},    // only the start of a longer name
        {"EXT_abgr", false},                // only the end of a longer name
        {"GL_EXT", false},
        {"", false},
        {"GL_EXT_abgr GL_EXT_fog_coord", false},   // a blank is never part of a name
    };
    for (const Case& c : cases) EXPECT_EQ(HasGlExtension(c.name), c.listed) << c.name;

    GlFakeSetExtensions("GL_aGL_a GL_b");
    EXPECT_FALSE(HasGlExtension("GL_a"));
    GlFakeSetExtensions("GL_xGL_a GL_a");
    EXPECT_TRUE(HasGlExtension("GL_a"));
    GlFakeSetExtensions(nullptr);
    EXPECT_FALSE(HasGlExtension("GL_a"));
    GlFakeReset();
}

TEST(GlWindow, SwapControlIsFoundInTheWindowSystemsListToo)
{
    // Many drivers list WGL extensions only through wglGetExtensionsString.
    GlFakeSetExtensions("GL_ARB_multitexture");
    NullWindowSetExtensions("WGL_ARB_pixel_format WGL_EXT_swap_control_tear");
    EXPECT_FALSE(HasGlExtension("WGL_EXT_swap_control"));
    NullWindowSetExtensions("WGL_ARB_pixel_format WGL_EXT_swap_control");
    EXPECT_TRUE(HasGlExtension("WGL_EXT_swap_control"));
    EXPECT_TRUE(HasGlExtension("GL_ARB_multitexture"));
    GlFakeSetExtensions(nullptr);
    EXPECT_TRUE(HasGlExtension("WGL_EXT_swap_control"));
    NullWindowSetExtensions(nullptr);
    EXPECT_FALSE(HasGlExtension("WGL_EXT_swap_control"));
    GlFakeReset();
}

// The player's field of view and picture shape; the last size is fitted again
// at once when they change, and a minimised window falls back on 4:3.
TEST(GlWindow, ProjectionFollowsTheViewShape)
{
    struct Case {
        double fieldOfView;
        bool keepAspect;
        int32_t width, height;
        const char* perspective;
    };
    const Case cases[] = {
        {45, false, 800, 400, "gluPerspective(45,1.3333333333333333,"},
        {90, false, 800, 400, "gluPerspective(90,1.3333333333333333,"},
        {45, true, 800, 400, "gluPerspective(45,2,"},
        {110, true, 1920, 1080, "gluPerspective(110,1.7777777777777777,"},
        {45, true, 800, 0, "gluPerspective(45,1.3333333333333333,"},
    };
    for (const Case& c : cases) {
        ResizeProjection(c.width, c.height, double(0.1f), 10.0);
        GlFakeReset();
        SetViewShape(c.fieldOfView, c.keepAspect);
        EXPECT_EQ(GlCallsStartingWith(c.perspective).size(), 1u) << c.perspective;
        GlFakeReset();
        ResizeProjection(c.width, c.height, double(0.1f), 10.0);
        EXPECT_EQ(GlCallsStartingWith(c.perspective).size(), 1u) << c.perspective << " after a resize";
    }
    SetViewShape(45.0, false);
    GlFakeReset();
}

TEST(GlWindow, ProjectionIsFourByThreeByDefault)
{
    GlFakeReset();
    ResizeProjection(800, 400, double(0.1f), 10.0);
    const std::vector<std::string> expected = {
        "glViewport(0,0,800,400)", "glMatrixMode(5889)", "glLoadIdentity()",
        "gluPerspective(45,1.3333333333333333,0.10000000149011612,10)", "glMatrixMode(5888)"};
    EXPECT_EQ(glCalls, expected);

    GlFakeReset();
    ResizeProjection(0, 0, double(0.1f), 10.0);
    EXPECT_EQ(glCalls.front(), "glViewport(0,0,0,0)");

    GlFakeReset();
    ResizeProjection(320, 200, 0.0, 10.0);
    const std::vector<std::string> flat = {"glMatrixMode(5889)", "glLoadIdentity()", "glOrtho(0,320,0,200,-1,1)",
                                           "glMatrixMode(5888)"};
    EXPECT_EQ(glCalls, flat);
}
#endif

TEST(GlWindow, ClassNameAndPositionAreStored)
{
    SetClassName("Quorvel");
    EXPECT_STREQ(glWindow.className, "Quorvel");
    StoreWindowPosition(65535, 12);
    EXPECT_EQ(glWindow.positionX, 65535);
    EXPECT_EQ(glWindow.positionY, 12);
    StoreWindowPosition(0, 0);
}
