// The OpenGL 1.1 subset the show draws with, as a drop-in <GL/gl.h> for
// builds that draw through the fixed-function layer (glfixed/) over OpenGL ES
// 3.0 or WebGL 2 instead of a desktop OpenGL library.
//
// Every gl name below is a macro for an orvgl function of the layer, so these
// names never clash with the OpenGL ES functions the layer itself calls. The
// enum values are desktop OpenGL's. What each call supports (and what it
// ignores) is written in glfixed/glfixed.h.
#ifndef ORV_GLFIXED_GL_H
#define ORV_GLFIXED_GL_H

typedef unsigned int GLenum;
typedef unsigned char GLboolean;
typedef unsigned int GLbitfield;
typedef void GLvoid;
typedef signed char GLbyte;
typedef short GLshort;
typedef int GLint;
typedef unsigned char GLubyte;
typedef unsigned short GLushort;
typedef unsigned int GLuint;
typedef int GLsizei;
typedef float GLfloat;
typedef float GLclampf;
typedef double GLdouble;
typedef double GLclampd;

#define GL_FALSE                    0
#define GL_TRUE                     1
#define GL_NO_ERROR                 0
#define GL_INVALID_ENUM             0x0500
#define GL_INVALID_VALUE            0x0501
#define GL_INVALID_OPERATION        0x0502
#define GL_STACK_OVERFLOW           0x0503
#define GL_STACK_UNDERFLOW          0x0504
#define GL_OUT_OF_MEMORY            0x0505
#define GL_POINTS                   0x0000
#define GL_LINES                    0x0001
#define GL_LINE_LOOP                0x0002
#define GL_LINE_STRIP               0x0003
#define GL_TRIANGLES                0x0004
#define GL_TRIANGLE_STRIP           0x0005
#define GL_TRIANGLE_FAN             0x0006
#define GL_QUADS                    0x0007
#define GL_POLYGON                  0x0009
#define GL_BYTE                     0x1400
#define GL_UNSIGNED_BYTE            0x1401
#define GL_SHORT                    0x1402
#define GL_UNSIGNED_SHORT           0x1403
#define GL_INT                      0x1404
#define GL_UNSIGNED_INT             0x1405
#define GL_FLOAT                    0x1406
#define GL_CURRENT_BIT              0x00000001
#define GL_LIGHTING_BIT             0x00000040
#define GL_DEPTH_BUFFER_BIT         0x00000100
#define GL_STENCIL_BUFFER_BIT       0x00000400
#define GL_VIEWPORT_BIT             0x00000800
#define GL_TRANSFORM_BIT            0x00001000
#define GL_ENABLE_BIT               0x00002000
#define GL_COLOR_BUFFER_BIT         0x00004000
#define GL_TEXTURE_BIT              0x00040000
#define GL_POLYGON_BIT              0x00000008
#define GL_ALL_ATTRIB_BITS          0xFFFFFFFF
#define GL_CLIENT_PIXEL_STORE_BIT   0x00000001
#define GL_CLIENT_VERTEX_ARRAY_BIT  0x00000002
#define GL_CLIENT_ALL_ATTRIB_BITS   0xFFFFFFFF
#define GL_COMPILE                  0x1300
#define GL_COMPILE_AND_EXECUTE      0x1301
#define GL_MODELVIEW                0x1700
#define GL_PROJECTION               0x1701
#define GL_TEXTURE                  0x1702
#define GL_MATRIX_MODE              0x0BA0
#define GL_MODELVIEW_MATRIX         0x0BA6
#define GL_PROJECTION_MATRIX        0x0BA7
#define GL_VIEWPORT                 0x0BA2
#define GL_LIGHTING                 0x0B50
#define GL_LIGHT0                   0x4000
#define GL_COLOR_MATERIAL           0x0B57
#define GL_CULL_FACE                0x0B44
#define GL_DEPTH_TEST               0x0B71
#define GL_BLEND                    0x0BE2
#define GL_STENCIL_TEST             0x0B90
#define GL_TEXTURE_2D               0x0DE1
#define GL_TEXTURE_GEN_S            0x0C60
#define GL_TEXTURE_GEN_T            0x0C61
#define GL_NORMALIZE                0x0BA1
#define GL_MULTISAMPLE              0x809D
#define GL_DITHER                   0x0BD0
#define GL_FRONT                    0x0404
#define GL_BACK                     0x0405
#define GL_FRONT_AND_BACK           0x0408
#define GL_CW                       0x0900
#define GL_CCW                      0x0901
#define GL_AMBIENT                  0x1200
#define GL_DIFFUSE                  0x1201
#define GL_SPECULAR                 0x1202
#define GL_EMISSION                 0x1600
#define GL_SHININESS                0x1601
#define GL_AMBIENT_AND_DIFFUSE      0x1602
#define GL_POSITION                 0x1203
#define GL_NEVER                    0x0200
#define GL_LESS                     0x0201
#define GL_EQUAL                    0x0202
#define GL_LEQUAL                   0x0203
#define GL_GREATER                  0x0204
#define GL_NOTEQUAL                 0x0205
#define GL_GEQUAL                   0x0206
#define GL_ALWAYS                   0x0207
#define GL_KEEP                     0x1E00
#define GL_ZERO                     0
#define GL_REPLACE                  0x1E01
#define GL_INCR                     0x1E02
#define GL_DECR                     0x1E03
#define GL_INVERT                   0x150A
#define GL_ONE                      1
#define GL_SRC_COLOR                0x0300
#define GL_ONE_MINUS_SRC_COLOR      0x0301
#define GL_SRC_ALPHA                0x0302
#define GL_ONE_MINUS_SRC_ALPHA      0x0303
#define GL_DST_ALPHA                0x0304
#define GL_ONE_MINUS_DST_ALPHA      0x0305
#define GL_DST_COLOR                0x0306
#define GL_ONE_MINUS_DST_COLOR      0x0307
#define GL_S                        0x2000
#define GL_T                        0x2001
#define GL_TEXTURE_GEN_MODE         0x2500
#define GL_SPHERE_MAP               0x2402
#define GL_TEXTURE_ENV              0x2300
#define GL_TEXTURE_ENV_MODE         0x2200
#define GL_TEXTURE_ENV_COLOR        0x2201
#define GL_MODULATE                 0x2100
#define GL_DECAL                    0x2101
#define GL_TEXTURE_MAG_FILTER       0x2800
#define GL_TEXTURE_MIN_FILTER       0x2801
#define GL_TEXTURE_WRAP_S           0x2802
#define GL_TEXTURE_WRAP_T           0x2803
#define GL_NEAREST                  0x2600
#define GL_LINEAR                   0x2601
#define GL_REPEAT                   0x2901
#define GL_CLAMP_TO_EDGE            0x812F
#define GL_RGB                      0x1907
#define GL_RGBA                     0x1908
#define GL_RGB8                     0x8051
#define GL_RGBA8                    0x8058
#define GL_LUMINANCE                0x1909
#define GL_V3F                      0x2A21
#define GL_N3F_V3F                  0x2A25
#define GL_T2F_V3F                  0x2A27
#define GL_T2F_N3F_V3F              0x2A2B
#define GL_C4F_N3F_V3F              0x2A26
#define GL_T2F_C4F_N3F_V3F          0x2A2C
#define GL_PACK_ALIGNMENT           0x0D05
#define GL_UNPACK_ALIGNMENT         0x0CF5
#define GL_READ_BUFFER              0x0C02
#define GL_MAX_TEXTURE_SIZE         0x0D33
#define GL_VENDOR                   0x1F00
#define GL_RENDERER                 0x1F01
#define GL_VERSION                  0x1F02
#define GL_EXTENSIONS               0x1F03

#ifdef __cplusplus
extern "C" {
#endif

void orvglEnable(GLenum cap);
void orvglDisable(GLenum cap);
GLboolean orvglIsEnabled(GLenum cap);
GLenum orvglGetError(void);
void orvglFinish(void);
void orvglFlush(void);
const GLubyte* orvglGetString(GLenum name);
void orvglGetIntegerv(GLenum pname, GLint* params);
void orvglGetFloatv(GLenum pname, GLfloat* params);
void orvglViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void orvglClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
void orvglClearDepth(GLclampd depth);
void orvglClearStencil(GLint s);
void orvglClear(GLbitfield mask);
void orvglColorMask(GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha);
void orvglDepthFunc(GLenum func);
void orvglDepthMask(GLboolean flag);
void orvglBlendFunc(GLenum sfactor, GLenum dfactor);
void orvglStencilFunc(GLenum func, GLint ref, GLuint mask);
void orvglStencilOp(GLenum fail, GLenum zfail, GLenum zpass);
void orvglStencilMask(GLuint mask);
void orvglCullFace(GLenum mode);
void orvglFrontFace(GLenum mode);
void orvglMatrixMode(GLenum mode);
void orvglLoadIdentity(void);
void orvglLoadMatrixf(const GLfloat* m);
void orvglMultMatrixf(const GLfloat* m);
void orvglPushMatrix(void);
void orvglPopMatrix(void);
void orvglTranslatef(GLfloat x, GLfloat y, GLfloat z);
void orvglRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void orvglScalef(GLfloat x, GLfloat y, GLfloat z);
void orvglBegin(GLenum mode);
void orvglEnd(void);
void orvglVertex3f(GLfloat x, GLfloat y, GLfloat z);
void orvglNormal3f(GLfloat nx, GLfloat ny, GLfloat nz);
void orvglTexCoord2f(GLfloat s, GLfloat t);
void orvglColor3f(GLfloat red, GLfloat green, GLfloat blue);
void orvglColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void orvglColor4fv(const GLfloat* v);
void orvglInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer);
void orvglDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices);
void orvglLightfv(GLenum light, GLenum pname, const GLfloat* params);
void orvglMaterialf(GLenum face, GLenum pname, GLfloat param);
void orvglMaterialfv(GLenum face, GLenum pname, const GLfloat* params);
void orvglColorMaterial(GLenum face, GLenum mode);
void orvglGenTextures(GLsizei n, GLuint* textures);
void orvglDeleteTextures(GLsizei n, const GLuint* textures);
void orvglBindTexture(GLenum target, GLuint texture);
void orvglTexParameteri(GLenum target, GLenum pname, GLint param);
void orvglTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border, GLenum format, GLenum type, const GLvoid* pixels);
void orvglTexEnvi(GLenum target, GLenum pname, GLint param);
void orvglTexEnvfv(GLenum target, GLenum pname, const GLfloat* params);
void orvglTexGeni(GLenum coord, GLenum pname, GLint param);
GLuint orvglGenLists(GLsizei range);
void orvglDeleteLists(GLuint list, GLsizei range);
GLboolean orvglIsList(GLuint list);
void orvglNewList(GLuint list, GLenum mode);
void orvglEndList(void);
void orvglCallList(GLuint list);
void orvglPushAttrib(GLbitfield mask);
void orvglPopAttrib(void);
void orvglPushClientAttrib(GLbitfield mask);
void orvglPopClientAttrib(void);
void orvglPixelStorei(GLenum pname, GLint param);
void orvglReadBuffer(GLenum mode);
void orvglReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels);

#ifdef __cplusplus
}
#endif

#define glEnable orvglEnable
#define glDisable orvglDisable
#define glIsEnabled orvglIsEnabled
#define glGetError orvglGetError
#define glFinish orvglFinish
#define glFlush orvglFlush
#define glGetString orvglGetString
#define glGetIntegerv orvglGetIntegerv
#define glGetFloatv orvglGetFloatv
#define glViewport orvglViewport
#define glClearColor orvglClearColor
#define glClearDepth orvglClearDepth
#define glClearStencil orvglClearStencil
#define glClear orvglClear
#define glColorMask orvglColorMask
#define glDepthFunc orvglDepthFunc
#define glDepthMask orvglDepthMask
#define glBlendFunc orvglBlendFunc
#define glStencilFunc orvglStencilFunc
#define glStencilOp orvglStencilOp
#define glStencilMask orvglStencilMask
#define glCullFace orvglCullFace
#define glFrontFace orvglFrontFace
#define glMatrixMode orvglMatrixMode
#define glLoadIdentity orvglLoadIdentity
#define glLoadMatrixf orvglLoadMatrixf
#define glMultMatrixf orvglMultMatrixf
#define glPushMatrix orvglPushMatrix
#define glPopMatrix orvglPopMatrix
#define glTranslatef orvglTranslatef
#define glRotatef orvglRotatef
#define glScalef orvglScalef
#define glBegin orvglBegin
#define glEnd orvglEnd
#define glVertex3f orvglVertex3f
#define glNormal3f orvglNormal3f
#define glTexCoord2f orvglTexCoord2f
#define glColor3f orvglColor3f
#define glColor4f orvglColor4f
#define glColor4fv orvglColor4fv
#define glInterleavedArrays orvglInterleavedArrays
#define glDrawElements orvglDrawElements
#define glLightfv orvglLightfv
#define glMaterialf orvglMaterialf
#define glMaterialfv orvglMaterialfv
#define glColorMaterial orvglColorMaterial
#define glGenTextures orvglGenTextures
#define glDeleteTextures orvglDeleteTextures
#define glBindTexture orvglBindTexture
#define glTexParameteri orvglTexParameteri
#define glTexImage2D orvglTexImage2D
#define glTexEnvi orvglTexEnvi
#define glTexEnvfv orvglTexEnvfv
#define glTexGeni orvglTexGeni
#define glGenLists orvglGenLists
#define glDeleteLists orvglDeleteLists
#define glIsList orvglIsList
#define glNewList orvglNewList
#define glEndList orvglEndList
#define glCallList orvglCallList
#define glPushAttrib orvglPushAttrib
#define glPopAttrib orvglPopAttrib
#define glPushClientAttrib orvglPushClientAttrib
#define glPopClientAttrib orvglPopClientAttrib
#define glPixelStorei orvglPixelStorei
#define glReadBuffer orvglReadBuffer
#define glReadPixels orvglReadPixels

#endif
