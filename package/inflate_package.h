// The two steps of preparing the installation package: its copy into the temporary folder, and the
// decompression of that copy (one zlib stream), file to file.
#pragma once

#include <cstdio>

#include "preparation_progress.h"

// Inflates the zlib stream read from `source` into `destination` through two fixed 16,384-byte buffers, so
// the package is never held in memory. Bytes after the end of the stream are ignored.
// Returns 0 on success, -1 (Z_ERRNO) when a file stream fails, -3 (Z_DATA_ERROR) for damaged or incomplete
// data (a stream needing a preset dictionary and an empty source included), -4 (Z_MEM_ERROR) when memory
// runs out, or the failure code of the inflate initialisation. `progress`, when given, hears of every block
// read and of the first bytes produced.
int InflatePackage(FILE* source, FILE* destination, talv::PreparationProgress* progress = nullptr);

namespace talv {

// Copies `source` from its position to its end into `destination` through one fixed buffer, telling
// `progress` (when given) of every block read. False when a stream fails.
bool CopyPackage(FILE* source, FILE* destination, PreparationProgress* progress = nullptr);

}  // namespace talv
