// A program that leaks one texture object of ours on purpose, with the GL
// driver involved, so the leak test can show its suppressions never hide a
// leak allocated by our code.
#include "framework/offscreen.h"
#include "render/material.h"

int main()
{
    OrvOffscreen gl(16, 16);
    if (!gl.Ok())
        return 2;
    OlvarMaterial* leaked = new OlvarMaterial("no such file.bmp");
    leaked->Bind();
    leaked = nullptr;
    return 0;
}
