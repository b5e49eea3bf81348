// Texture-file harness: arbitrary bytes as a .bmp file, read by OlvarMaterial
// (header checks, pixel block, texture upload) and read again over the result.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/offscreen.h"
#include "render/material.h"

namespace {

// An in-memory file reachable by name, so the reader's own fopen path is used.
struct MemoryFile {
    int fd = memfd_create("fuzz.bmp", 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);

    bool Fill(const uint8_t* data, size_t size) const
    {
        if (fd < 0 || ftruncate(fd, 0) != 0)
            return false;
        size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // One context for the whole run: the constructor uploads the texture into it.
    static OrvOffscreen* gl = new OrvOffscreen(16, 16);
    static MemoryFile* file = new MemoryFile;
    if (!gl->Ok() || !file->Fill(data, size))
        __builtin_trap();

    OlvarMaterial material(file->path.c_str());
    // A loaded image must describe exactly the pixel block it holds.
    if (material.Pixels()) {
        const size_t row = (static_cast<size_t>(material.Width()) * 3 + 3) & ~size_t(3);
        const size_t bytes = row * static_cast<size_t>(material.Height());
        if (material.Width() <= 0 || material.Height() <= 0 || bytes + 54 > size)
            __builtin_trap();
        volatile uint8_t last = material.Pixels()[bytes - 1];
        (void)last;
    }
    // A second read of the same bytes must leave the same image.
    const int32_t width = material.Width(), height = material.Height();
    material.LoadBMP(file->path.c_str());
    if (material.Width() != width || material.Height() != height)
        __builtin_trap();
    material.Bind();
    return 0;
}
