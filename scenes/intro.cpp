#include "scenes/intro.h"

Intro::Intro() {}

Intro::~Intro() {}

void Intro::Draw(int32_t) {}
