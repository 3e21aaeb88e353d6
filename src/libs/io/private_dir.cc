// The private temporary directory (contract in private_dir.h).
#include "libs/io/private_dir.h"

#include <errno.h>
#include <string.h>

#include <vector>

#include "lexkit/general.h"

namespace lexkit {

PrivateDirectory::PrivateDirectory(const std::string &parent, const std::string &prefix) {
  const std::string name = parent + "/" + prefix + "_XXXXXX";
  std::vector<char> templ(name.begin(), name.end());
  templ.push_back('\0');
  CleanupSignalsHeld held;  // no signal between creating and registering
  if (ox_mkdtemp(templ.data()) == nullptr)
    quit(-1, "%s : Error : cannot make a temporary directory in '%s': %s\n",
         program_invocation_short_name, parent.c_str(), strerror(errno));
  directory_ = std::make_unique<TemporaryPath>(templ.data(), TemporaryPath::Kind::kDirectory);
}

}  // namespace lexkit
