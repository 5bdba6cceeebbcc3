// The font without GDI, for native builds: the display lists are reserved and
// recorded exactly as on Windows, only no glyph bitmaps are made for them.
#include "render/gl_api.h"
#include "render/gl_window.h"
#include "render/overlay.h"

void BuildFont(const char*, int32_t)
{
    if (glWindow.fontCount >= MAX_FONTS) return;   // every slot taken: the font is dropped
    glWindow.fontListBases[glWindow.fontCount] = glGenLists(GLsizei(FONT_GLYPHS));
    glWindow.fontCount += 1;
}
