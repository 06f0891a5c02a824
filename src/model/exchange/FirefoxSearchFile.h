#pragma once

#include "exchange/BrowserEngine.h"

#include <string>
#include <vector>

// The engine list a Firefox-layout profile keeps in search.json.mozlz4:
// the magic "mozLz40\0", the decompressed size (4 bytes, little-endian),
// then one LZ4 block of JSON.
class FirefoxSearchFile
{
public:
    // Larger decompressed sizes are refused before anything is allocated.
    static constexpr size_t MaxDecompressedBytes = 32 * 1024 * 1024;
    // The largest file such a size can come in (LZ4 grows incompressible data a little).
    static constexpr size_t MaxFileBytes = MaxDecompressedBytes + MaxDecompressedBytes / 128 + 1024;

    // The bytes start with the magic.
    static bool HasMagic(const std::string& bytes);

    // The entries of "engines", in file order, at most
    // ImportLimits::MaxEngines (`note` then says so); false with the reason
    // in `error` when the file as a whole cannot be read. Only the fields an
    // engine needs are kept, nesting only to ImportLimits::MaxJsonDepth.
    static bool Read(const std::string& bytes, std::vector<BrowserEngine>& engines,
                     ImportMessage& error, ImportMessage* note = nullptr);

    // The JSON inside, for Read and for tests that build files.
    static bool Decompress(const std::string& bytes, std::string& json, ImportMessage& error);
};
