// Decompression of the installation package: one zlib stream, file to file.
#pragma once

#include <cstdio>

// Inflates the zlib stream read from `source` into `destination` through two fixed 16,384-byte buffers, so
// the package is never held in memory. Bytes after the end of the stream are ignored.
// Returns 0 on success, -1 (Z_ERRNO) when a file stream fails, -3 (Z_DATA_ERROR) for damaged or incomplete
// data (a stream needing a preset dictionary and an empty source included), -4 (Z_MEM_ERROR) when memory
// runs out, or the failure code of the inflate initialisation.
int InflatePackage(FILE* source, FILE* destination);
