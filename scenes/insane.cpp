#include "scenes/insane.h"

Insane::Insane() {}

Insane::~Insane() {}

void Insane::Draw(int32_t) {}
