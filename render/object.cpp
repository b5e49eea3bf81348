// Placeholder until the mesh builder lands.
#include "render/object.h"
OlvarObject::OlvarObject(OlvarLoader*, const char*, bool) {}
OlvarObject::~OlvarObject() {}
float* OlvarObject::CalcNormals(const float*, int32_t, const uint16_t*, int32_t) { return nullptr; }
void OlvarObject::Render() {}
void OlvarObject::Transform() {}
void OlvarObject::SetPosition(float x, float y, float z) { position[0] = x; position[1] = y; position[2] = z; }
void OlvarObject::SetRotation(float x, float y, float z) { rotation[0] = x; rotation[1] = y; rotation[2] = z; }
