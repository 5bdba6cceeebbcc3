#include "render/texture_set.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "image/image_data.h"
#include "image/image_reader.h"
#include "labyrinth/text_lines.h"
#include "platform/platform.h"
#include "render/gl_api.h"
#include "render/gl_window.h"

static const size_t KEY_OFFSET = 9;        // the key starts at a line's tenth character

enum Surface { SURFACE_WALL, SURFACE_CEILING, SURFACE_FLOOR, SURFACE_COUNT, SURFACE_NONE = SURFACE_COUNT };

// "Wall...", "Ceiling...", "Floor...": a case-sensitive prefix of the key.
static Surface SurfaceOfKey(const char* key, size_t keyLength)
{
    struct Word { const char* text; Surface surface; };
    static const Word WORDS[] = {{"Wall", SURFACE_WALL}, {"Ceiling", SURFACE_CEILING}, {"Floor", SURFACE_FLOOR}};
    for (const Word& word : WORDS) {
        size_t length = std::strlen(word.text);
        if (keyLength >= length && std::memcmp(key, word.text, length) == 0) return word.surface;
    }
    return SURFACE_NONE;
}

// Folder and file name joined; false (and `path` untouched) when the result
// would not fit a name slot, since a shortened path would name another file.
static bool JoinTexturePath(char (&path)[TEXTURE_NAME_SIZE], const char* folder, const char* name, size_t nameLength)
{
    size_t folderLength = std::strlen(folder);
    if (folderLength >= TEXTURE_NAME_SIZE || nameLength >= TEXTURE_NAME_SIZE - folderLength) return false;
    std::memcpy(path, folder, folderLength);
    std::memcpy(path + folderLength, name, nameLength);
    path[folderLength + nameLength] = '\0';
    return true;
}

// A line such as "Texture (Wall, bricks.png)": characters 1 to 9 are not
// looked at, the key runs from the tenth to the comma, one character after
// the comma is skipped and the file name runs to the ")".
static void ReadTextureLine(const char* line, const char* imagesFolder, char (&paths)[SURFACE_COUNT][TEXTURE_NAME_SIZE])
{
    if (std::strlen(line) < KEY_OFFSET + 1) return;
    const char* key = line + KEY_OFFSET;
    const char* comma = std::strchr(key, ',');
    if (!comma) return;
    Surface surface = SurfaceOfKey(key, size_t(comma - key));
    if (surface == SURFACE_NONE) return;
    if (comma[1] == '\0') return;
    const char* name = comma + 2;
    const char* close = std::strchr(comma + 1, ')');
    // No ")", or one before the name could start: not a texture line. An
    // empty name makes the folder itself the path: it keeps its surface's
    // slot, which then has no picture, and the surfaces after it keep theirs.
    if (!close || close < name) return;
    if (!JoinTexturePath(paths[surface], imagesFolder, name, size_t(close - name))) {
        paths[surface][0] = '\0';   // the surface's latest file cannot be listed
    }
}

bool ReadTextureList(const char* path, const char* imagesFolder)
{
    if (!path) return false;
    if (!imagesFolder) imagesFolder = "";
    std::FILE* file = PlatformOpenFile(path, "rb");
    if (!file) return false;
    char paths[SURFACE_COUNT][TEXTURE_NAME_SIZE] = {};
    char line[TEXT_LINE_SIZE];
    while (ReadTextLine(file, line)) ReadTextureLine(line, imagesFolder, paths);
    std::fclose(file);
    AddTextureName(paths[SURFACE_WALL]);
    AddTextureName(paths[SURFACE_CEILING]);
    AddTextureName(paths[SURFACE_FLOOR]);
    return true;
}

void AddDefaultTextureNames(const char* folder)
{
    static const char* const NAMES[] = {"Wall.png", "Ceiling.png", "Floor.png"};
    for (const char* name : NAMES) {
        char path[TEXTURE_NAME_SIZE];
        if (JoinTexturePath(path, folder ? folder : "", name, std::strlen(name))) AddTextureName(path);
    }
}

void AddTextureName(const char* path)
{
    if (!path) return;
    if (FindTextureName(path) < glWindow.textureNameCount) return;
    if (glWindow.textureNameCount >= MAX_TEXTURE_NAMES) return;
    size_t length = std::strlen(path);
    if (length == 0 || length >= TEXTURE_NAME_SIZE) return;
    std::memcpy(glWindow.textureNames[glWindow.textureNameCount], path, length + 1);
    ++glWindow.textureNameCount;
}

unsigned FindTextureName(const char* path)
{
    unsigned count = glWindow.textureNameCount;
    if (!path) return count;
    for (unsigned slot = 0; slot < count; ++slot) {
        if (std::strcmp(glWindow.textureNames[slot], path) == 0) return slot;
    }
    return count;
}

// PNG or BMP by the file's own signature, then the window's extra reader if
// one is installed.
static bool ReadTextureImage(const char* path, ImageData& image)
{
    // The slot keeps the name as listed, so a name listed twice is one slot.
    char localPath[TEXTURE_NAME_SIZE];
    std::snprintf(localPath, sizeof localPath, "%s", path);
    PlatformLocalPath(localPath);
    if (ReadImage(image, localPath) == ImageRefusal::NONE) return true;
    ImageData read = {};
    if (!glWindow.imageLoader || !glWindow.imageLoader(read, localPath)) return false;
    // The extra reader is not ours: make sure GL is never handed nonsense.
    if (!read.pixels || read.width <= 0 || read.height <= 0 || read.components < 1 || read.components > 4) {
        FreeImage(read);
        return false;
    }
    image = read;
    return true;
}

void UploadTextures(bool mipmaps, unsigned magFilter, unsigned minFilter)
{
    // Each new context gets a fresh set of names; the old ones went with the old context.
    delete[] glWindow.textureIds;
    glWindow.textureIds = nullptr;
    glWindow.uploadedTextureCount = 0;
    unsigned count = glWindow.textureNameCount;
    if (count == 0) return;
    glWindow.textureIds = new (std::nothrow) unsigned[count];
    if (!glWindow.textureIds) return;
    glWindow.uploadedTextureCount = count;
    glGenTextures(GLsizei(count), glWindow.textureIds);

    for (unsigned slot = 0; slot < count; ++slot) {
        ImageData image;
        if (!ReadTextureImage(glWindow.textureNames[slot], image)) continue;   // stays an empty texture
        glBindTexture(GL_TEXTURE_2D, glWindow.textureIds[slot]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(magFilter));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
        if (mipmaps) {
            gluBuild2DMipmaps(GL_TEXTURE_2D, image.components, image.width, image.height, image.format,
                              GL_UNSIGNED_BYTE, image.pixels);
        } else {
            glTexImage2D(GL_TEXTURE_2D, 0, image.components, image.width, image.height, 0, image.format,
                         GL_UNSIGNED_BYTE, image.pixels);
        }
        FreeImage(image);
    }
}

void BindTexture(unsigned slot)
{
    // A surface without a listed texture shows only its tint.
    GLuint texture = 0;
    if (glWindow.textureIds && slot < glWindow.textureNameCount && slot < glWindow.uploadedTextureCount) texture = glWindow.textureIds[slot];
    glBindTexture(GL_TEXTURE_2D, texture);
}

void UnbindTexture()
{
    glBindTexture(GL_TEXTURE_2D, 0);
}
