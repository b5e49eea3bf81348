#include "scenes/tunneli.h"

Tunneli::Tunneli() {}

Tunneli::~Tunneli() {}

void Tunneli::Draw(int32_t) {}
