#pragma once
// A new track package for a maker to fill in: every file the package needs, with placeholders
// for the track's own, so that the folder passes the check from the start and the maker only
// replaces and edits.

#include <string>
#include <utility>
#include <vector>

namespace gridmoor {

// The package's files as (name, bytes), install.ini first, for the track `name` (8-bit ANSI)
// installing into tracks\<trackDirectory>: install.ini (CR LF), readme.txt, a 300x178 24-bit
// screenshot.bmp with the name drawn on it, and the nine track files as marked placeholders.
std::vector<std::pair<std::string, std::string>> PackageSkeletonFiles(
    const std::string& name, const std::string& trackDirectory);

// A 24-bit bottom-up BMP of kScreenshotWidth x kScreenshotHeight with `text` drawn across its
// middle in a built-in 5x7 font (letters upper case; a character it has no glyph for is drawn
// as a box), as large as fits; text beyond 50 characters is cut.
std::string ScreenshotWithText(const std::string& text);

}  // namespace gridmoor
