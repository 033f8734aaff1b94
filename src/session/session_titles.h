// Titles that tell session windows apart: windows showing the same title (two sessions to one
// host, or two windows of one session) get ":1", ":2", ... in the order given.
#pragma once

#include <string>
#include <vector>

namespace ostrane {

std::vector<std::string> DistinctTitles(const std::vector<std::string>& titles);

}  // namespace ostrane
