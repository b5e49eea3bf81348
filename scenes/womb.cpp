#include "scenes/womb.h"

Womb::Womb() {}

Womb::~Womb() {}

void Womb::Draw(int32_t) {}
