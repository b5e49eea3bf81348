// Placeholder until the texture loader lands.
#include "render/material.h"
OlvarMaterial::OlvarMaterial(const char*) {}
OlvarMaterial::~OlvarMaterial() {}
bool OlvarMaterial::LoadBMP(const char*) { return false; }
void OlvarMaterial::Bind() {}
