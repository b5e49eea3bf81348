// The two GLU calls the show uses, for builds that draw through the
// fixed-function layer (glfixed/): the same maths as the classic GLU, as
// macros for the layer's orvglu functions.
#ifndef ORV_GLFIXED_GLU_H
#define ORV_GLFIXED_GLU_H

#include <GL/gl.h>

#ifdef __cplusplus
extern "C" {
#endif

void orvgluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void orvgluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
                  GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ);

#ifdef __cplusplus
}
#endif

#define gluPerspective orvgluPerspective
#define gluLookAt orvgluLookAt

#endif
