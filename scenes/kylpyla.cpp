#include "scenes/kylpyla.h"

Kylpyla::Kylpyla() {}

Kylpyla::~Kylpyla() {}

void Kylpyla::Draw(int32_t) {}
