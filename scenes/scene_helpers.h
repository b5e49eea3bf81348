// Small drawing steps the keyframed scenes share.
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>

#include "render/keyframer.h"
#include "render/object.h"

// The node's position at `ticks`, or the origin when its track holds no keys,
// so a scene whose file lacks a camera track keeps drawing instead of crashing.
inline const float* PositionAt(const OlvarKeyframer* track, int32_t ticks)
{
    static const float origin[3] = {0.0f, 0.0f, 0.0f};
    const float* position = track->GetPosition(ticks);
    return position ? position : origin;
}

// Puts light 0 at the camera's eye and loads the view from the eye to the
// target (Z up). The light goes through the view the previous frame left,
// before this frame's view is loaded: the scenes' lighting depends on that.
inline void LightAndLookThrough(const OlvarKeyframer* camera, const OlvarKeyframer* target,
                                int32_t ticks)
{
    const float* eye = PositionAt(camera, ticks);
    const float* center = PositionAt(target, ticks);
    const GLfloat light[4] = {eye[0], eye[1], eye[2], 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);
    glLoadIdentity();
    gluLookAt(eye[0], eye[1], eye[2], center[0], center[1], center[2], 0, 0, 1);
}

// Draws a mesh at its own placement, leaving the matrix as it was.
inline void DrawPlaced(OlvarObject* mesh)
{
    glPushMatrix();
    mesh->Transform();
    mesh->Render();
    glPopMatrix();
}
