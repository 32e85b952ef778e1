#include "platform/text/collate.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stringpiece.h>

#include <map>
#include <memory>
#include <string>

namespace quillet::platform::text {

namespace {

// Opening a collator is costly; each thread keeps the ones it used.
icu::Collator* collatorFor(std::string_view locale, bool ignoreCase) {
  thread_local std::map<std::string, std::unique_ptr<icu::Collator>> cache;
  std::string id(locale);
  for (char& c : id)
    if (c == '-') c = '_';
  std::string key = id + (ignoreCase ? "|i" : "|c");
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale loc(id.c_str());
  if (loc.isBogus()) loc = icu::Locale::getRoot();
  std::unique_ptr<icu::Collator> coll(icu::Collator::createInstance(loc, status));
  if (U_FAILURE(status) || !coll) {
    status = U_ZERO_ERROR;
    coll.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  }
  if (!coll) return nullptr;
  coll->setStrength(ignoreCase ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
  return cache.emplace(key, std::move(coll)).first->second.get();
}

} // namespace

int compareLocale(std::string_view a, std::string_view b, std::string_view locale,
                  bool ignoreCase) {
  icu::Collator* coll = collatorFor(locale, ignoreCase);
  if (!coll) return a < b ? -1 : (b < a ? 1 : 0);
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r =
      coll->compareUTF8(icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
                        icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
  if (U_FAILURE(status)) return a < b ? -1 : (b < a ? 1 : 0);
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

} // namespace quillet::platform::text
