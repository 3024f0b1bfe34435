// The two steps of preparing the installation package: its copy into the temporary folder, and the
// decompression of that copy (one zlib stream), file to file. The installer and the package tool share the
// decompression: the installer needs only the zlib-style code, the tool also where the stream went wrong and
// what follows it, to say so.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "preparation_progress.h"

namespace talv {

// How an inflate ended, beyond its code.
enum class InflateFailure {
  kNone,
  kInit,        // the inflate could not be set up
  kRead,        // the source stream failed
  kWrite,       // the destination stream failed
  kCutShort,    // the source ended before the stream did (an empty source too)
  kDictionary,  // the stream wants a preset dictionary
  kDamaged,     // the data is not a valid stream (zlib's message says why)
  kMemory,      // zlib ran out of memory
};

struct InflateResult {
  int code = 0;  // what InflatePackage returns
  InflateFailure failure = InflateFailure::kNone;
  uint64_t offset = 0;            // compressed bytes consumed: the end of the stream, or where it went wrong
  std::string zlibMessage;        // zlib's own words for a damaged stream, when it has any
  uint64_t bytesAfterStream = 0;  // counted only when asked for, after a complete stream
};

// Inflates `source` into `destination` through two fixed 16,384-byte buffers. With countBytesAfterStream the
// rest of the source is read to count what follows a complete stream; the installer never asks, as those bytes
// change nothing. `progress`, when given, hears of every block read and of the first bytes produced.
InflateResult InflateStream(FILE* source, FILE* destination, bool countBytesAfterStream,
                            PreparationProgress* progress = nullptr);

}  // namespace talv

// Inflates the zlib stream read from `source` into `destination`, so the package is never held in memory.
// Bytes after the end of the stream are ignored.
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
