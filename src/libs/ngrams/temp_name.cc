#include "libs/ngrams/temp_name.h"

#include "lexkit/general.h"

namespace lexkit {

std::string TempNames::Name(int64_t number) const {
  std::string name = std::string(root_) + "/" +
                     std::to_string(static_cast<unsigned short>(number)) + ext_;
  if (name.size() >= buffer_size_)
    quit(-1, "%s: the %s '%s' is longer than %zu characters\n", who_, what_, name.c_str(),
         buffer_size_ - 1);
  return name;
}

}  // namespace lexkit
