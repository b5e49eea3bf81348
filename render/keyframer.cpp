// Placeholder until the keyframer lands.
#include "render/keyframer.h"
OlvarKeyframer::OlvarKeyframer(OlvarLoader*, const char*, bool) {}
OlvarKeyframer::~OlvarKeyframer() {}
const float* OlvarKeyframer::GetPosition(int32_t) const { return nullptr; }
