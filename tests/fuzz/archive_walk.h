// Reads a whole archive the way the installation worker does and checks the reader's promises.
#pragma once

#include <cstdio>

// Walks the archive on `stream` (positioned at its start); aborts when the reader breaks a promise.
void WalkArchive(FILE* stream);
