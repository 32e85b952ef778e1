#include "platform/text/collate.h"

#include <dlfcn.h>
#include <unicode/locid.h>
#include <unicode/ucol.h>

#include <map>
#include <memory>
#include <string>
#include <type_traits>

namespace quillet::platform::text {

namespace {

#define QUILLET_ICU_NAME(name) QUILLET_ICU_NAME_TEXT(name)
#define QUILLET_ICU_NAME_TEXT(name) #name

// Collation is the one thing the program takes from ICU's i18n library, which is large and
// costly to load: it is opened with the first collator instead of with the program, and used
// through its C interface, which needs nothing of it at link time. Without it there is no
// collator, and comparisons fall back to the bytes as for any other failure.
struct Collation {
  decltype(&ucol_open) open = nullptr;
  decltype(&ucol_close) close = nullptr;
  decltype(&ucol_setStrength) setStrength = nullptr;
  decltype(&ucol_strcollUTF8) compareUtf8 = nullptr;
};

const Collation* collation() {
  static const Collation api = [] {
    Collation a;
    void* lib = dlopen(QUILLET_SONAME_ICU_I18N, RTLD_LAZY | RTLD_LOCAL);
    if (!lib) return a;
    auto find = [lib](auto& f, const char* name) {
      f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(lib, name));
      return f != nullptr;
    };
    if (!find(a.open, QUILLET_ICU_NAME(ucol_open)) ||
        !find(a.close, QUILLET_ICU_NAME(ucol_close)) ||
        !find(a.setStrength, QUILLET_ICU_NAME(ucol_setStrength)) ||
        !find(a.compareUtf8, QUILLET_ICU_NAME(ucol_strcollUTF8)))
      return Collation{};
    return a;
  }();
  return api.open ? &api : nullptr;
}

struct CollatorCloser {
  void operator()(UCollator* c) const { collation()->close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

// Opening a collator is costly; each thread keeps the ones it used.
UCollator* collatorFor(const Collation& api, std::string_view locale, bool ignoreCase) {
  thread_local std::map<std::string, CollatorPtr> cache;
  std::string id(locale);
  for (char& c : id)
    if (c == '-') c = '_';
  std::string key = id + (ignoreCase ? "|i" : "|c");
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale loc(id.c_str());
  if (loc.isBogus()) loc = icu::Locale::getRoot();
  CollatorPtr coll(api.open(loc.getName(), &status));
  if (U_FAILURE(status) || !coll) {
    status = U_ZERO_ERROR;
    coll.reset(api.open(icu::Locale::getRoot().getName(), &status));
  }
  if (!coll) return nullptr;
  api.setStrength(coll.get(), ignoreCase ? UCOL_SECONDARY : UCOL_TERTIARY);
  return cache.emplace(key, std::move(coll)).first->second.get();
}

} // namespace

int compareLocale(std::string_view a, std::string_view b, std::string_view locale,
                  bool ignoreCase) {
  const Collation* api = collation();
  UCollator* coll = api ? collatorFor(*api, locale, ignoreCase) : nullptr;
  if (!coll) return a < b ? -1 : (b < a ? 1 : 0);
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r = api->compareUtf8(coll, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                        static_cast<int32_t>(b.size()), &status);
  if (U_FAILURE(status)) return a < b ? -1 : (b < a ? 1 : 0);
  return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

} // namespace quillet::platform::text
