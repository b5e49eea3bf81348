// ChunkCursor: bounded little-endian reads inside one span of a byte image.
//
// Every read checks that its bytes lie between the cursor and the end of the
// span (which never reaches past the image); a read that does not fit fails,
// returns false and leaves the cursor where it was. Values are assembled byte
// by byte, so they may lie at any alignment.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

// One span of the image: [begin, end). begin 0 means none, since no data a
// reader records can start at the file's first byte; ImageSpan{} is none.
struct ImageSpan {
    uint32_t begin;
    uint32_t end;

    bool Present() const { return begin != 0; }
    uint32_t Size() const { return end - begin; }
};

class ChunkCursor {
public:
    ChunkCursor(const uint8_t* image, uint32_t imageSize, uint32_t begin, uint32_t end)
        : image(image), end(std::min(end, imageSize)), pos(std::min(begin, this->end))
    {
    }
    ChunkCursor(const uint8_t* image, uint32_t imageSize, ImageSpan span)
        : ChunkCursor(image, imageSize, span.begin, span.end)
    {
    }

    uint32_t Offset() const { return pos; }
    uint32_t Left() const { return end - pos; }

    bool Skip(uint32_t n)
    {
        if (Left() < n)
            return false;
        pos += n;
        return true;
    }
    bool U16(uint16_t& v)
    {
        uint8_t b[2];
        if (!Take(b, 2))
            return false;
        v = static_cast<uint16_t>(b[0] | b[1] << 8);
        return true;
    }
    bool I16(int16_t& v)
    {
        uint16_t u;
        if (!U16(u))
            return false;
        v = static_cast<int16_t>(u);
        return true;
    }
    bool U32(uint32_t& v)
    {
        uint8_t b[4];
        if (!Take(b, 4))
            return false;
        v = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
        return true;
    }
    bool F32(float& v)
    {
        uint32_t u;
        if (!U32(u))
            return false;
        std::memcpy(&v, &u, 4);
        return true;
    }

    // Length of the 0-terminated string at the cursor, terminator included;
    // 0 when the span holds no terminator.
    uint32_t MeasureString() const
    {
        if (Left() == 0)
            return 0;
        const void* zero = std::memchr(image + pos, 0, Left());
        return zero ? static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - (image + pos)) + 1 : 0;
    }
    // The bytes at the cursor as characters; valid as a string only after
    // MeasureString has found its terminator.
    const char* Chars() const { return reinterpret_cast<const char*>(image + pos); }

private:
    bool Take(uint8_t* out, uint32_t n)
    {
        if (Left() < n)
            return false;
        std::memcpy(out, image + pos, n);
        pos += n;
        return true;
    }

    const uint8_t* image;
    uint32_t end;
    uint32_t pos;
};
