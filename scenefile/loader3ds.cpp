// Placeholder until the reader lands: an always-empty loader.
#include "scenefile/loader3ds.h"

OlvarLoad3DS::OlvarLoad3DS(const char*) {}
OlvarLoad3DS::~OlvarLoad3DS() {}
bool OlvarLoad3DS::Find(const char*, bool) { return false; }
bool OlvarLoad3DS::GetFaceCount(int32_t& c) const { c = 0; return false; }
bool OlvarLoad3DS::GetFaces(uint16_t*) const { return false; }
bool OlvarLoad3DS::GetVertexCount(int32_t& c) const { c = 0; return false; }
bool OlvarLoad3DS::GetVertices(float*, bool) const { return false; }
bool OlvarLoad3DS::GetTexCoordCount(int32_t& c) const { c = 0; return false; }
bool OlvarLoad3DS::GetTexCoords(float*) const { return false; }
bool OlvarLoad3DS::GetPositionKeyCount(int32_t& c) const { c = 0; return false; }
bool OlvarLoad3DS::GetPositionKeys(float*, int32_t*) const { return false; }
bool OlvarLoad3DS::GetRotationKeyCount(int32_t& c) const { c = 0; return false; }
bool OlvarLoad3DS::GetRotationKeys(float*, int32_t*) const { return false; }
bool OlvarLoad3DS::GetFrameRange(int32_t& s, int32_t& e) const { s = e = 0; return true; }
bool OlvarLoad3DS::GetPivot(float*) const { return false; }
bool OlvarLoad3DS::GetLocalOrigin(float* o) const { o[0] = o[1] = o[2] = 0; return false; }
bool OlvarLoad3DS::GetLocalMatrix(float* m) const
{
    const float id[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (int i = 0; i < 12; ++i) m[i] = id[i];
    return false;
}
