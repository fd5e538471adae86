#pragma once

// Inputs and checks shared by the bad-input suites of both front ends.

#include "support/LogWriter.h"

#include <optional>
#include <string>

namespace t2ntest {

// A block log with three fixes a second apart, and a sector log with twelve at 10 Hz (enough
// for the fix-type gate and the smoothing to have neighbours).
Bytes BlockLogWithFixes();
Bytes SectorLogWithFixes();

// `size` bytes from a seeded generator: the same bytes on every run.
Bytes RandomBytes(std::size_t size, unsigned seed);

// The number of lines when every line is "$GPRMC," ... "*hh" followed by CR LF; npos otherwise.
std::size_t RmcLines(const std::string& text);

// A file named `name` in `dir` that cannot be opened for reading, by root too: without root, a
// file with `bytes` and no permissions; as root, a link to a kernel attribute that is write-only
// for everybody. Nothing when this machine offers no such attribute. On Windows, a file with
// `bytes` that `dir` holds open with a share mode of 0.
std::optional<std::string> UnreadableFile(const TempDir& dir, const std::string& name,
                                          const Bytes& bytes);

} // namespace t2ntest
