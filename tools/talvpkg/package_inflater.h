// Decompression for inspection: like the installer's, but it says where a zlib stream goes wrong and
// also refuses bytes after the end of the stream, which the installer silently ignores.
#pragma once

#include <cstdio>
#include <string>

namespace talvpkg {

// Inflates `source` into `destination`. False with `defect` (naming the compressed offset) when the
// stream is damaged, cut short, needs a dictionary, is followed by more bytes, or a file fails.
bool InflateChecked(FILE* source, FILE* destination, std::string* defect);

}  // namespace talvpkg
