#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "game/settings.h"
#include "render/texture_set.h"
#include "png_writer.h"
#include "render/gl_window.h"
#include "support/temp_folder.h"
#ifndef _WIN32
#include "support/gl_fake.h"
#endif

namespace fs = std::filesystem;

namespace {

// The folder the names of a list are taken from, as the settings give it.
char imagesFolder[FOLDER_SIZE] = "Images\\";

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary);
    file << text;
}

std::vector<std::string> ListedNames()
{
    return std::vector<std::string>(glWindow.textureNames, glWindow.textureNames + glWindow.textureNameCount);
}

class TextureSetTest : public ::testing::Test {
protected:
    TempFolder folder;
    char savedImagesFolder[FOLDER_SIZE];

    void SetUp() override
    {
        std::memcpy(savedImagesFolder, imagesFolder, FOLDER_SIZE);
        std::strcpy(imagesFolder, "Images\\");
        ClearList();
    }
    void TearDown() override
    {
        ClearList();
        std::memcpy(imagesFolder, savedImagesFolder, FOLDER_SIZE);
    }
    static void ClearList()
    {
        glWindow.textureNameCount = 0;
        delete[] glWindow.textureIds;
        glWindow.textureIds = nullptr;
        glWindow.imageLoader = nullptr;
    }
    std::vector<std::string> ListFrom(const std::string& text)
    {
        ClearList();
        WriteText(folder.File("Images.txt"), text);
        EXPECT_TRUE(ReadTextureList(folder.File("Images.txt").c_str(), imagesFolder));
        return ListedNames();
    }
};

}  // namespace

TEST_F(TextureSetTest, TextureListLinesNameSurfacesByFixedPositions)
{
    typedef std::vector<std::string> Names;
    struct Case {
        const char* what;
        std::string text;
        Names names;
    };
    const Case cases[] = {
        {"all three surfaces, listed wall, ceiling, floor",
         "Texture (Floor, f.png)\nTexture (Ceiling, c.png)\nTexture (Wall, w.png)\n",
         {"Images\\w.png", "Images\\c.png", "Images\\f.png"}},
        {"only wall and floor: the floor moves to slot 1", "Texture (Wall, w.png)\nTexture (Floor, f.png)\n",
         {"Images\\w.png", "Images\\f.png"}},
        {"a file shared by two surfaces is listed once",
         "Texture (Wall, stone.png)\nTexture (Ceiling, stone.png)\nTexture (Floor, f.png)\n",
         {"Images\\stone.png", "Images\\f.png"}},
        {"surface words are case-sensitive", "Texture (wall, w.png)\nTexture (FLOOR, f.png)\nTexture (Ceiling, c.png)\n",
         {"Images\\c.png"}},
        {"the later line for a surface wins", "Texture (Ceiling, old.png)\nTexture (Ceiling, new.png)\n",
         {"Images\\new.png"}},
        {"letters after the surface word are ignored", "Texture (Walls of the maze, w.png)\n", {"Images\\w.png"}},
        {"the first nine characters are not examined", "123456789Floor, f.bmp)\n", {"Images\\f.bmp"}},
        {"the key starts at the tenth character, no sooner", "Texture(Wall, w.png)\n", {}},
        {"lines shorter than ten characters", "(Wall, a)\nWall,x)\n", {}},
        {"no comma", "Texture (Wall w.png)\n", {}},
        {"no closing parenthesis", "Texture (Wall, w.png\n", {}},
        {"the character after the comma is skipped, blank or not", "Texture (Wall,xw.png)\n", {"Images\\w.png"}},
        {"the name ends at the first parenthesis; the rest is ignored",
         "Texture (Floor, f.png) (Wall, w.png)\r\n", {"Images\\f.png"}},
        {"an empty name keeps its slot, with no picture", "Texture (Wall, )\nTexture (Ceiling, c.png)\n",
         {"Images\\", "Images\\c.png"}},
        {"a parenthesis right after the comma is no name", "Texture (Floor,)\n", {}},
        {"CR LF reads like LF", "Texture (Wall, w.png)\r\nTexture (Floor, f.png)\r\n", {"Images\\w.png", "Images\\f.png"}},
        {"an empty file lists nothing, not the defaults", "", {}},
        {"blanks inside the name are kept", "Texture (Wall, old bricks.png)\n", {"Images\\old bricks.png"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ListFrom(c.text), c.names) << c.what;
}

TEST_F(TextureSetTest, PathsTooLongForASlotAreSkipped)
{
    // 90 + 9 = 99 characters fit a slot; 90 + 10 do not, and are never cut short.
    std::string longFolder(89, 'd');
    longFolder += '\\';
    std::strcpy(imagesFolder, longFolder.c_str());
    EXPECT_EQ(ListFrom("Texture (Wall, 12345.png)\nTexture (Floor, 123456.png)\n"),
              (std::vector<std::string>{longFolder + "12345.png"}));
    // A later line naming a file that cannot be listed leaves its surface without one.
    EXPECT_EQ(ListFrom("Texture (Wall, 12345.png)\nTexture (Wall, 123456.png)\n"), std::vector<std::string>{});

    ClearList();
    AddDefaultTextureNames(std::string(91, 'd').c_str());   // "Wall.png" fits, the others not
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{std::string(91, 'd') + "Wall.png"}));
}

TEST_F(TextureSetTest, MissingListFileAddsNothingAndDefaultsFollowInOrder)
{
    EXPECT_FALSE(ReadTextureList(folder.File("Images.txt").c_str(), imagesFolder));
    EXPECT_EQ(glWindow.textureNameCount, 0u);
    AddDefaultTextureNames("Images\\");
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"Images\\Wall.png", "Images\\Ceiling.png", "Images\\Floor.png"}));
}

TEST_F(TextureSetTest, AddTextureNameRefusesDuplicatesEmptyNamesAndAFullList)
{
    AddTextureName("a.png");
    AddTextureName("");
    AddTextureName("a.png");
    AddTextureName("A.png");   // names compare case-sensitively
    AddTextureName(nullptr);
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"a.png", "A.png"}));
    EXPECT_EQ(FindTextureName("A.png"), 1u);
    EXPECT_EQ(FindTextureName("a.PNG"), 2u);   // not listed: the count

    AddTextureName(std::string(99, 'x').c_str());
    AddTextureName(std::string(100, 'y').c_str());
    EXPECT_EQ(glWindow.textureNameCount, 3u);
    for (int i = 0; i < 120; ++i) AddTextureName(("t" + std::to_string(i)).c_str());
    EXPECT_EQ(glWindow.textureNameCount, 100u);
    EXPECT_STREQ(glWindow.textureNames[99], "t96");
    EXPECT_EQ(FindTextureName("t97"), 100u);
}

#ifndef _WIN32

namespace {

void WriteImage(const std::string& path, int32_t width, int32_t height, unsigned components, bool asBmp)
{
    std::vector<unsigned char> pixels(size_t(width * height) * components, 0x5A);
    RawImage image = {width, height, components, pixels.data()};
    ASSERT_TRUE(WriteFileBytes(path.c_str(), asBmp ? EncodeBmp(image) : EncodePng(image)));
}

int loaderCalls = 0;

bool TinyGreyLoader(ImageData& image, const char*)
{
    ++loaderCalls;
    image.width = 2;
    image.height = 2;
    image.components = 1;
    image.format = 6409;
    image.pixels = new unsigned char[8]();
    return true;
}

}  // namespace

TEST_F(TextureSetTest, UploadMakesOneTexturePerNameAndSkipsUnreadableFiles)
{
    WriteImage(folder.File("wall.png"), 100, 60, 3, false);
    WriteImage(folder.File("ceiling.png"), 5, 3, 3, true);   // a BMP behind a PNG name
    WriteImage(folder.File("floor.png"), 4, 4, 1, false);
    AddTextureName(folder.File("wall.png").c_str());
    AddTextureName(folder.File("ceiling.png").c_str());
    AddTextureName(folder.File("missing.png").c_str());
    AddTextureName(folder.File("floor.png").c_str());

    struct Case {
        bool mipmaps;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {true,
         {"glGenTextures(4)", "glBindTexture(3553,1)", "glTexParameteri(3553,10240,9729)",
          "glTexParameteri(3553,10241,9987)", "gluBuild2DMipmaps(3553,3,100,60,6407,5121)", "glBindTexture(3553,2)",
          "glTexParameteri(3553,10240,9729)", "glTexParameteri(3553,10241,9987)",
          "gluBuild2DMipmaps(3553,3,5,3,6407,5121)", "glBindTexture(3553,4)", "glTexParameteri(3553,10240,9729)",
          "glTexParameteri(3553,10241,9987)", "gluBuild2DMipmaps(3553,1,4,4,6409,5121)"}},
        {false,
         {"glGenTextures(4)", "glBindTexture(3553,1)", "glTexParameteri(3553,10240,9729)",
          "glTexParameteri(3553,10241,9987)", "glTexImage2D(3553,0,3,100,60,0,6407,5121)", "glBindTexture(3553,2)",
          "glTexParameteri(3553,10240,9729)", "glTexParameteri(3553,10241,9987)",
          "glTexImage2D(3553,0,3,5,3,0,6407,5121)", "glBindTexture(3553,4)", "glTexParameteri(3553,10240,9729)",
          "glTexParameteri(3553,10241,9987)", "glTexImage2D(3553,0,1,4,4,0,6409,5121)"}},
    };
    for (const Case& c : cases) {
        GlFakeReset();
        UploadTextures(c.mipmaps, 9729, 9987);
        EXPECT_EQ(glCalls, c.calls) << (c.mipmaps ? "mipmaps" : "level 0 only");
        ASSERT_NE(glWindow.textureIds, nullptr);
        EXPECT_EQ(glWindow.textureIds[2], 3u);   // allocated, never filled
    }
    GlFakeReset();
}

TEST_F(TextureSetTest, ExtraReaderIsTriedOnlyAfterPngAndBmp)
{
    WriteImage(folder.File("wall.png"), 2, 2, 3, false);
    AddTextureName(folder.File("wall.png").c_str());
    AddTextureName(folder.File("odd.tga").c_str());
    glWindow.imageLoader = TinyGreyLoader;
    loaderCalls = 0;
    GlFakeReset();
    UploadTextures(false, 9728, 9728);
    EXPECT_EQ(loaderCalls, 1);
    EXPECT_EQ(GlCallsStartingWith("glTexImage2D"),
              (std::vector<std::string>{"glTexImage2D(3553,0,3,2,2,0,6407,5121)",
                                        "glTexImage2D(3553,0,1,2,2,0,6409,5121)"}));
    GlFakeReset();
}

TEST_F(TextureSetTest, BindingASlotWithoutATextureBindsNone)
{
    AddTextureName("Images\\a.png");
    AddTextureName("Images\\b.png");
    GlFakeReset();
    BindTexture(0);   // before any upload there are no ids to read
    UploadTextures(true, 9729, 9987);
    BindTexture(1);
    BindTexture(2);   // what the scene asks for the floor when only two names are listed
    BindTexture(1000);
    UnbindTexture();
    AddTextureName("Images\\c.png");   // listed after the upload: no id of its own yet
    BindTexture(2);
    EXPECT_EQ(GlCallsStartingWith("glBindTexture"),
              (std::vector<std::string>{"glBindTexture(3553,0)", "glBindTexture(3553,2)", "glBindTexture(3553,0)",
                                        "glBindTexture(3553,0)", "glBindTexture(3553,0)", "glBindTexture(3553,0)"}));
    GlFakeReset();
}

#endif
