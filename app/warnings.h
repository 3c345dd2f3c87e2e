#pragma once

#include "app/failure.h"
#include "image/finding.h"

// What the image's work found, told in one place: each finding has its
// warning on standard output or its note on standard error, and beside it
// the failure that --strict makes of it. The image's own findings name the
// outfile.

// Tells a finding, or under --strict fails on it.
Failure tell(const Finding &finding, bool strict, const char *outfile);

// The failure of a finding under --strict, before anything is written; no
// failure otherwise, and nothing told: the finding is told when its moment
// comes.
Failure refuse(const Finding &finding, bool strict, const char *outfile);
