#include "scenes/kaupunki.h"

Kaupunki::Kaupunki() {}

Kaupunki::~Kaupunki() {}

void Kaupunki::Draw(int32_t) {}
