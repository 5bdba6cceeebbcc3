// The one way into GL. Native builds get the
// few GL 1.1 and GLU entry points the game uses declared here; the tests link
// a recording stand-in for them, the native game the real libGL and libGLU.
// Files that need the system's own headers as well (GLX) define
// QUORVEL_REAL_GL: they get those headers, and the declarations below are
// checked against them, so both builds agree on every entry point.
#pragma once

#ifdef _WIN32
// Windows' GL headers want only the calling conventions and the import mark
// of the Windows system header; given those they leave the rest of it out of
// render. The Windows files include that header themselves, before this one.
#if !defined(APIENTRY) && !defined(WINGDIAPI) && !defined(CALLBACK)
#define APIENTRY __stdcall
#define CALLBACK __stdcall
#define WINGDIAPI __declspec(dllimport)
#define QUORVEL_GL_MARKS_OWN
#endif
#include <GL/gl.h>
#include <GL/glu.h>
#ifdef QUORVEL_GL_MARKS_OWN
#undef APIENTRY
#undef CALLBACK
#undef WINGDIAPI
#undef QUORVEL_GL_MARKS_OWN
#endif
#else

#ifdef QUORVEL_REAL_GL
#include <GL/gl.h>
#include <GL/glu.h>
#else
typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef int GLint;
typedef int GLsizei;
typedef unsigned int GLuint;
typedef unsigned char GLubyte;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;
typedef void GLvoid;

enum : GLenum {
    GL_DEPTH_BUFFER_BIT = 0x00000100,
    GL_ENABLE_BIT = 0x00002000,
    GL_COLOR_BUFFER_BIT = 0x00004000,
    GL_LIST_BIT = 0x00020000,
    GL_TRIANGLES = 0x0004,
    GL_TRIANGLE_STRIP = 0x0005,
    GL_SRC_ALPHA = 0x0302,
    GL_ONE_MINUS_SRC_ALPHA = 0x0303,
    GL_BLEND = 0x0BE2,
    GL_FALSE = 0,
    GL_LEQUAL = 0x0203,
    GL_FRONT = 0x0404,
    GL_CULL_FACE = 0x0B44,
    GL_LIGHTING = 0x0B50,
    GL_COLOR_MATERIAL = 0x0B57,
    GL_FOG = 0x0B60,
    GL_FOG_DENSITY = 0x0B62,
    GL_FOG_START = 0x0B63,
    GL_FOG_END = 0x0B64,
    GL_FOG_MODE = 0x0B65,
    GL_FOG_COLOR = 0x0B66,
    GL_DEPTH_TEST = 0x0B71,
    GL_PERSPECTIVE_CORRECTION_HINT = 0x0C50,
    GL_FOG_HINT = 0x0C54,
    GL_TEXTURE_2D = 0x0DE1,
    GL_NICEST = 0x1102,
    GL_AMBIENT = 0x1200,
    GL_DIFFUSE = 0x1201,
    GL_POSITION = 0x1203,
    GL_AMBIENT_AND_DIFFUSE = 0x1602,
    GL_UNSIGNED_BYTE = 0x1401,
    GL_MODELVIEW = 0x1700,
    GL_PROJECTION = 0x1701,
    GL_RGB = 0x1907,
    GL_RGBA = 0x1908,
    GL_LUMINANCE = 0x1909,
    GL_LUMINANCE_ALPHA = 0x190A,
    GL_SMOOTH = 0x1D01,
    GL_EXTENSIONS = 0x1F03,
    GL_LIGHT0 = 0x4000,
    GL_EXP2 = 0x0801,
    GL_LINEAR = 0x2601,
    GL_LINEAR_MIPMAP_LINEAR = 0x2703,
    GL_COMPILE = 0x1300,
    GL_TEXTURE_MAG_FILTER = 0x2800,
    GL_TEXTURE_MIN_FILTER = 0x2801,
};
#endif

// C names with these types link to the real libGL as well as to the stand-in;
// with the real headers seen first, a declaration that differs does not compile.
extern "C" {
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void glClearDepth(GLclampd depth);
void glClear(GLbitfield mask);
void glShadeModel(GLenum mode);
void glDepthFunc(GLenum func);
void glHint(GLenum target, GLenum mode);
void glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void glFogi(GLenum pname, GLint param);
void glFogf(GLenum pname, GLfloat param);
void glFogfv(GLenum pname, const GLfloat* params);
void glColorMaterial(GLenum face, GLenum mode);
void glGenTextures(GLsizei n, GLuint* textures);
void glDeleteTextures(GLsizei n, const GLuint* textures);
void glBindTexture(GLenum target, GLuint texture);
void glTexParameteri(GLenum target, GLenum pname, GLint param);
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glMatrixMode(GLenum mode);
void glLoadIdentity();
void glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glColor3f(GLfloat red, GLfloat green, GLfloat blue);
void glColor3ubv(const GLubyte* v);
void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void glBlendFunc(GLenum sfactor, GLenum dfactor);
void glDepthMask(GLboolean flag);
void glBegin(GLenum mode);
void glEnd();
void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz);
void glTexCoord2i(GLint s, GLint t);
void glVertex2f(GLfloat x, GLfloat y);
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glRasterPos2f(GLfloat x, GLfloat y);
void glPushAttrib(GLbitfield mask);
void glPushMatrix();
void glPopMatrix();
void glPixelZoom(GLfloat xfactor, GLfloat yfactor);
void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels);
void glPopAttrib();
void glListBase(GLuint base);
void glCallLists(GLsizei n, GLenum type, const GLvoid* lists);
GLuint glGenLists(GLsizei range);
void glNewList(GLuint list, GLenum mode);
void glEndList();
void glBitmap(GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig, GLfloat xmove, GLfloat ymove,
              const GLubyte* bitmap);
void glDeleteLists(GLuint list, GLsizei range);
const GLubyte* glGetString(GLenum name);
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format,
                        GLenum type, const void* data);
}

#endif
