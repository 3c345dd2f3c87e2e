#pragma once

#include "image/layout.h"

// The bank map: the layout of the image as tab-separated text, a header line
// and then one row per part of the image, for the game's program to include
// (its data pages are what it switches banks by). It is written to a new file
// beside its path while the image is written, and renamed into place only
// once the image is finished: a map is whole or absent, and a failed run
// leaves an old one as it was.

// Starts the map in a temporary file beside path. Reports a failure.
bool open_map(const char *path);

// Adds the row of one part of the image, if a map is open.
void map_extent(const Plan &plan, const Extent &extent);

// Puts the finished map in place, if one is open. Reports a failure, and then
// removes the temporary file.
bool commit_map();

// Removes the temporary file, if a map is open.
void discard_map();
