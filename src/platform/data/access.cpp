#include "platform/data/connection.h"
namespace quillet::platform::data {
std::unique_ptr<Session> openAccessSession(const std::string& file, const std::string&) {
  throw DataError(adoerr::kProviderError, "Access not yet: " + file);
}
} // namespace quillet::platform::data
