// Decompression for inspection: the installer's own inflate (package/inflate_package.h), with its findings in
// words: where a zlib stream goes wrong, and the bytes after the end of the stream, which the installer ignores
// and verify refuses.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace talvpkg {

// Inflates `source` into `destination`. False with `defect` (naming the compressed offset) when the
// stream is damaged, cut short, needs a dictionary, or a file fails; also when it is followed by more bytes,
// unless `trailingBytes` is given: it then receives their number, as the installer ignores them.
bool InflateChecked(FILE* source, FILE* destination, std::string* defect, uint64_t* trailingBytes = nullptr);

}  // namespace talvpkg
