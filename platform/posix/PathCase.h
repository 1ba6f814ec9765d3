#pragma once
// Paths found without regard to letter case, as Wine finds them: a game installed under Wine
// has names in whatever case its installer used ("Seasons/67Season.ini", "TRACKS").

#include <string>

namespace gridmoor {

// `path` (a POSIX path) with each component that does not exist as spelled replaced by an
// entry of its folder whose name matches it without regard to ASCII letter case (the first
// such name in byte order when there are several). The part from the first component that
// matches nothing on keeps the given names, so new files and folders get the names asked
// for. A path that exists as spelled comes back unchanged. Never fails.
std::string ResolvePathCase(const std::string& path);

}  // namespace gridmoor
