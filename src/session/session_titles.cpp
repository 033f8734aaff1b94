#include "session/session_titles.h"

#include <map>

namespace ostrane {

std::vector<std::string> DistinctTitles(const std::vector<std::string>& titles) {
  std::map<std::string, int> total;
  for (const std::string& t : titles) ++total[t];
  std::map<std::string, int> seen;
  std::vector<std::string> out;
  out.reserve(titles.size());
  for (const std::string& t : titles) {
    if (total[t] < 2)
      out.push_back(t);
    else
      out.push_back(t + ":" + std::to_string(++seen[t]));
  }
  return out;
}

}  // namespace ostrane
