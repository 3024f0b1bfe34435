// The facts the wizard learns from a prepared package: its size in megabytes and its two flag bytes.
#pragma once

#include <cstdint>
#include <cstdio>

namespace talv {

// Megabytes an installation needs for a decompressed archive of `decompressedBytes` bytes: the size in
// MiB plus half a megabyte of headroom, unrounded. The count is 64-bit so archives of 2 GiB and more stay
// right.
double RequiredMegabytes(uint64_t decompressedBytes);

// Reads the product and launcher flag bytes from the current position of `archive` (its start). A byte
// that cannot be read because the file is shorter leaves its field unchanged. Returns true when both
// bytes were read.
bool ReadPackageFlags(FILE* archive, unsigned char* product, unsigned char* launcher);

// The current position of `stream` as a 64-bit byte offset, or -1 when the stream cannot tell.
int64_t TellStream(FILE* stream);

// Seeks `stream` to its end and stores its length in `size`. False when the stream cannot seek or tell.
bool StreamSize(FILE* stream, uint64_t* size);

}  // namespace talv
