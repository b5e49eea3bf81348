// glfixed: the fixed-function OpenGL 1.1 subset the show draws with, over
// OpenGL ES 3.0 or WebGL 2 (the same GLSL ES 3.00 shaders on both).
//
// Code built against glfixed/include finds its <GL/gl.h> and <GL/glu.h> there;
// their gl names are the layer's. Everything runs on the thread whose context
// was current at OrvGlFixedInit, with that context current.
//
// What the layer draws like desktop OpenGL does (per-vertex lighting and
// Gouraud shading, as Mesa computes them):
// - immediate mode: glBegin/glEnd with GL_TRIANGLES, GL_QUADS (split into
//   (0,1,3) and (1,2,3)), strips, fans, GL_POLYGON, points and lines;
//   glNormal, glTexCoord and glColor inside or outside glBegin;
// - glInterleavedArrays (V3F, N3F_V3F, T2F_V3F, T2F_N3F_V3F, C4F_N3F_V3F,
//   T2F_C4F_N3F_V3F) with glDrawElements on 8-, 16- or 32-bit indices;
// - light 0 (positional or directional, no spot, no attenuation), front
//   material, glColorMaterial on any face and property, the infinite viewer,
//   one colour (no separate specular);
// - one 2D texture unit: internal formats 3/GL_RGB and 4/GL_RGBA, texture
//   environment MODULATE, BLEND (with its colour), REPLACE and DECAL,
//   sphere-map generation for S and T (other generation modes are ignored);
// - depth, stencil, blending, culling, colour mask, clears, viewport;
// - the modelview and projection stacks, glGetFloatv of both matrices;
// - display lists compiled (or compiled and executed) from every command GL
//   compiles, called and nested with glCallList; matrices pushed in one list
//   may be popped in another;
// - glPushAttrib/glPopAttrib for the current, enable, lighting, depth,
//   stencil, viewport, transform, colour-buffer, texture and polygon groups;
//   glPushClientAttrib/glPopClientAttrib for pixel store and vertex arrays;
// - glReadPixels of GL_RGB or GL_RGBA bytes with the pack alignment set by
//   glPixelStorei; glReadBuffer of GL_FRONT/GL_BACK (the framebuffer bound
//   for reading: its colour attachment when it is a framebuffer object).
// Not there: fog, clip planes, two-sided lighting, lights other than 0, the
// texture matrix, selection, feedback and accumulation.
#pragma once

#include <string>

// Sets the layer up on the OpenGL ES 3 / WebGL 2 context current on this
// thread: compiles its shaders and makes its buffers, and puts every piece of
// fixed-function state to OpenGL's initial values (the viewport to the one the
// context has now). Returns false, with the reason in *why when given, if a
// shader does not compile or link. Call it again after making a new context
// current; no gl call is valid before it succeeds.
bool OrvGlFixedInit(std::string* why = nullptr);

// The layer sets OpenGL ES state only when its own state changes, so it must
// know of other calls: after code that calls OpenGL ES directly (its own
// shaders, buffers, textures, viewport or framebuffer state), call this
// before the next gl call; it puts the layer's program, buffers and state back.
void OrvGlFixedResync();

// Deletes the layer's shaders and buffers (its context must be current) and
// forgets the display lists; the context itself stays as it is.
void OrvGlFixedRelease();
