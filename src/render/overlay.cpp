#include "render/overlay.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "game/game_flow.h"
#include "game/options_page.h"
#include "render/gl_api.h"
#include "render/gl_window.h"

static const unsigned TEXT_FONT = 0;
static const char TEXT_FACE[] = "Arial";

void DeleteFont(unsigned index)
{
    if (index >= glWindow.fontCount || index >= MAX_FONTS) return;
    glDeleteLists(glWindow.fontListBases[index], GLsizei(FONT_GLYPHS));
}

// The lists are remade only when the height changes: a window dragged
// larger rebuilds them once per size, not once per frame.
void FitTextHeight(int32_t pixels)
{
    if (pixels == glWindow.textHeight && glWindow.fontCount > 0) return;
    DeleteFonts();
    BuildFont(TEXT_FACE, -pixels);   // negative: the characters' own height
    glWindow.textHeight = pixels;
}

void RecordBlankGlyphs(unsigned listBase, const GlyphMetrics* metrics, unsigned count)
{
    // One blank pixel: a zero-sized glyph bitmap is where the move gets lost.
    static const GLubyte BLANK_PIXEL[4] = {};
    for (unsigned k = 0; k < count; ++k) {
        if (!metrics[k].blank) continue;
        glNewList(GLuint(listBase + k), GL_COMPILE);
        glBitmap(1, 1, 0.0f, 0.0f, metrics[k].advanceX, 0.0f, BLANK_PIXEL);
        glEndList();
    }
}

static const char STAND_IN = '?';

// Length of the UTF-8 sequence starting at `p` and its code point; 0 when
// the bytes there are no valid sequence.
static size_t DecodeUtf8(const unsigned char* p, uint32_t& codePoint)
{
    const unsigned char lead = p[0];
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4) return 0;
    uint32_t value = lead & (0x7Fu >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;   // the NUL at the end stops here too
        value = value << 6 | (p[k] & 0x3Fu);
    }
    static const uint32_t SMALLEST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < SMALLEST[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    codePoint = value;
    return length;
}

size_t TextToLatin1(const char* text, char* out, size_t size)
{
    if (size == 0) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t written = 0;
    while (*p != '\0' && written + 1 < size) {
        uint32_t codePoint = *p;
        size_t length = *p < 0x80 ? 1 : DecodeUtf8(p, codePoint);
        if (length == 0) length = 1;   // a stray byte: the Latin-1 character it names
        const bool drawable = (codePoint >= 0x20 && codePoint < 0x7F) || (codePoint >= 0xA0 && codePoint <= 0xFF);
        out[written++] = drawable ? char(codePoint) : STAND_IN;
        p += length;
    }
    out[written] = '\0';
    return written;
}

void PrintText(unsigned fontIndex, const char* format, ...)
{
    if (format == nullptr || fontIndex >= glWindow.fontCount || fontIndex >= MAX_FONTS) return;

    // Longer texts are cut at the buffer's end; none of the game's comes close.
    char text[256];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written < 0) return;
    char glyphs[sizeof text];
    const size_t count = TextToLatin1(text, glyphs, sizeof glyphs);

    glPushAttrib(GL_LIST_BIT);
    // List base + k holds the glyph of code 32 + k, so offsetting the base by 32
    // lets each byte of the text name its own glyph's list.
    glListBase(glWindow.fontListBases[fontIndex] - FIRST_GLYPH);
    glCallLists(GLsizei(count), GL_UNSIGNED_BYTE, glyphs);
    glPopAttrib();
}

static void SetOverlayPlane()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -6.0f);
}

// The raster position takes the current colour when it is set, so the colour
// goes first.
static void MoveToRedText(float x, float y)
{
    glColor3f(1.0f, 0.0f, 0.0f);
    glRasterPos2f(x, y);
}

// Rows of the menu and the list are 0.2 apart, from 0.1 down.
static float RowY(uint32_t row)
{
    return float(0.1 - 0.2 * double(row));
}

static int Minutes(uint32_t ms)
{
    return int(ms / 60000u);
}

static int Seconds(uint32_t ms)
{
    return int((ms % 60000u) / 1000u);
}

static void DrawSolvedScreen(const Game& game)
{
    const FlowState& flow = game.flow;
    SetOverlayPlane();
    MoveToRedText(-0.6f, 0.3f);
    PrintText(TEXT_FONT, "Labyrinth solved!");
    MoveToRedText(-0.8f, 0.1f);
    PrintText(TEXT_FONT, "Labyrinth: %s", LabyrinthDisplayName(game, CurrentLabyrinth(game)));
    MoveToRedText(-0.9f, -0.1f);
    PrintText(TEXT_FONT, "Time to solve: %d mins %d secs%s", Minutes(flow.solveTimeMs), Seconds(flow.solveTimeMs),
              flow.assisted ? "  assisted" : "");
    if (flow.bestMs != NO_TIME) {
        MoveToRedText(-0.9f, -0.3f);
        PrintText(TEXT_FONT, "Best: %d mins %d secs%s", Minutes(flow.bestMs), Seconds(flow.bestMs),
                  flow.newBest ? "  New best!" : "");
    }
    if (flow.parMs != NO_TIME) {
        MoveToRedText(-0.9f, -0.5f);
        PrintText(TEXT_FONT, "Par: %d mins %d secs", Minutes(flow.parMs), Seconds(flow.parMs));
    }
}

// Up to five rows from listScroll on, and never a row beyond the list's end.
static void DrawLabyrinthList(const Game& game)
{
    const uint32_t count = game.labyrinthList.count;
    const uint32_t listScroll = game.flow.listScroll;
    for (uint32_t k = 0; k < LIST_ROWS && k < count; ++k) {
        const uint32_t index = listScroll + k;
        if (index < listScroll || index >= count) break;
        MoveToRedText(-0.6f, RowY(k));
        PrintText(TEXT_FONT, "%s", LabyrinthDisplayName(game, index));   // a name is text, never a format
        const uint32_t best = index < MAX_LABYRINTHS ? BestTime(game.records.table, game.records.labyrinthHashes[index])
                                                     : NO_TIME;
        if (best != NO_TIME) {
            MoveToRedText(1.7f, RowY(k));
            PrintText(TEXT_FONT, "%d mins %d secs", Minutes(best), Seconds(best));
        }
    }
}

static void DrawMainMenu()
{
    MoveToRedText(-0.6f, RowY(0));
    PrintText(TEXT_FONT, "New Game");
    MoveToRedText(-0.6f, RowY(1));
    PrintText(TEXT_FONT, "Options");
    MoveToRedText(-0.6f, RowY(2));
    PrintText(TEXT_FONT, "Exit Game");
}

static void DrawOptionsPage(const Options& options)
{
    for (uint32_t row = 0; row < OPTION_ROWS; ++row) {
        MoveToRedText(-0.6f, RowY(row));
        PrintText(TEXT_FONT, "%s", OptionRowName(row));
        char value[32];
        OptionRowValue(options, row, value, sizeof value);
        if (value[0] == '\0') continue;
        MoveToRedText(1.0f, RowY(row));
        PrintText(TEXT_FONT, "%s", value);
    }
}

// Each action with its two keys; the place the pointer's row would change
// is in brackets, and says so while it waits for a key.
static void DrawKeyPage(const Game& game)
{
    const FlowState& flow = game.flow;
    for (uint32_t action = 0; action < ACTION_COUNT; ++action) {
        MoveToRedText(-0.6f, RowY(action));
        PrintText(TEXT_FONT, "%s", ActionName(action));
        for (uint32_t slot = 0; slot < KEYS_PER_ACTION; ++slot) {
            const char* name = KeyName(game.options.bindings.keys[action][slot]);
            if (!name) name = "-";
            MoveToRedText(slot == 0 ? 0.6f : 1.4f, RowY(action));
            if (action != flow.menuCursor || slot != flow.keySlot)
                PrintText(TEXT_FONT, "%s", name);
            else if (flow.awaitingKey)
                PrintText(TEXT_FONT, "[press a key]");
            else
                PrintText(TEXT_FONT, "[%s]", name);
        }
    }
}

// Below the menu's rows and further left, so a long file name still fits.
static void DrawLoadFailure(const Game& game)
{
    if (game.flow.loadFailureMessage[0] == '\0') return;
    MoveToRedText(-2.2f, RowY(5));
    PrintText(TEXT_FONT, "%s", game.flow.loadFailureMessage);
}

// A white triangle pointing right at the left end of the row's text, from its
// baseline up to 0.1 above; counter-clockwise so culling keeps it.
static void DrawPointer(uint32_t row)
{
    const double offset = 0.2 * double(row);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.65f, float(0.1 - offset));
    glVertex2f(-0.6f, float(0.15 - offset));
    glVertex2f(-0.65f, float(0.2 - offset));
    glEnd();
}

// A reload that failed during play is told over the scene: lit, fogged and
// depth-tested, the text would take the light's colour or hide behind a wall.
// A best run watched shows its clock at the top left, where the player's
// own runs show nothing.
static void DrawOverScene(const Game& game)
{
    const bool watching = game.flow.watching;
    if (game.flow.loadFailureMessage[0] == '\0' && !watching) return;
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    SetOverlayPlane();
    DrawLoadFailure(game);
    if (watching) {
        const uint32_t ms = game.flow.solveTimeMs;
        MoveToRedText(-2.2f, 1.9f);
        PrintText(TEXT_FONT, "%s: %d mins %d secs", game.flow.autopilot ? "Autopilot" : "Best run", Minutes(ms),
                  Seconds(ms));
    }
    glPopAttrib();
}

static void DrawOverlayOfScreen(const Game& game)
{
    switch (game.flow.screen) {
    case SCREEN_SOLVED: DrawSolvedScreen(game); return;
    case SCREEN_PLAY: DrawOverScene(game); return;
    case SCREEN_LIST:
        SetOverlayPlane();
        DrawLabyrinthList(game);
        break;
    case SCREEN_MAIN_MENU:
        SetOverlayPlane();
        DrawMainMenu();
        break;
    case SCREEN_OPTIONS:
        SetOverlayPlane();
        DrawOptionsPage(game.options);
        break;
    case SCREEN_KEYS:
        SetOverlayPlane();
        DrawKeyPage(game);
        break;
    }
    DrawLoadFailure(game);
    DrawPointer(game.flow.menuCursor);
}

// The text and the pointer stand where they always have, whatever field of
// view or picture shape the player chose for the scene.
void DrawOverlay(const Game& game)
{
    const bool ownPicture = glWindow.fieldOfView != 45.0 || glWindow.keepAspect;
    if (ownPicture) {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(45.0, 4.0 / 3.0, double(0.1f), 10.0);
        glMatrixMode(GL_MODELVIEW);
    }
    DrawOverlayOfScreen(game);
    if (ownPicture) {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
}
