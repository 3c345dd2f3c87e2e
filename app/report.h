#pragma once

// Every message of the tool, errors and warnings included, goes to standard
// output through this one routine, so that a build log shows them in order.
[[gnu::format(printf, 1, 2)]] void report(const char *format, ...);
