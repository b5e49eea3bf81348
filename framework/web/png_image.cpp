// PNG files without libpng (the browser build has no port of it): the image
// data goes out as stored (uncompressed) deflate blocks, which every PNG
// reader takes. Reading is not needed in the page.
#include "framework/png_image.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "framework/files.h"

namespace {

uint32_t Crc(const unsigned char* data, size_t size, uint32_t crc = 0)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void Put32(std::vector<unsigned char>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(v >> shift));
}

void Chunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
    Put32(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32(out, Crc(&out[start], out.size() - start));
}

}  // namespace

bool WritePNG(std::FILE* file, const std::string& path, const unsigned char* rgb, int width, int height,
              std::string* error)
{
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    Chunk(png, "IHDR", header);

    // Each row behind its filter byte (0: none), in a zlib stream of stored blocks.
    std::vector<unsigned char> raw;
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb + y * stride, rgb + (y + 1) * stride);
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        const size_t n = std::min<size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.insert(z.end(), {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                           static_cast<unsigned char>(~n), static_cast<unsigned char>(~n >> 8)});
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (n == 0)
            break;
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, (b << 16) | a);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});

    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    if ((!written || !closed) && error)
        *error = path + ": " + std::strerror(errno);
    return written && closed;
}

bool WritePNG(const std::string& path, const unsigned char* rgb, int width, int height, std::string* error)
{
    std::string why;
    std::FILE* file = OrvReplaceFile(path, &why);
    if (!file) {
        if (error)
            *error = why;
        return false;
    }
    return WritePNG(file, path, rgb, width, height, error);
}

bool ReadPNG(const std::string& path, std::vector<unsigned char>*, int*, int*, std::string* error)
{
    *error = path + ": this build reads no PNG files";
    return false;
}
