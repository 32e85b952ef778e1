// Provider type codes to the ADO codes the project stores, with support flags and literal
// quotes.
#include "core/dialect.h"
#include "model/ado_types.h"
#include "schema/sinks.h"

namespace quillet::schema {

namespace {

TypeFacts supported(int type, const char* quote) {
  return {type, true, std::make_pair(std::string(quote), std::string(quote))};
}

} // namespace

TypeFacts daoTypeMap(int daoType) {
  switch (daoType) {
  case 1:
    return supported(11, "");
  case 2:
    return supported(17, "");
  case 3:
    return supported(2, "");
  case 4:
    return supported(3, "");
  case 5:
    return supported(6, "");
  case 6:
    return supported(4, "");
  case 7:
    return supported(5, "");
  case 8:
  case 22:
  case 23:
    return supported(135, "#");
  case 9:
    return {128, false, std::nullopt};
  case 10:
    return supported(202, "'");
  case 11:
    return supported(205, "");
  case 12:
    return supported(203, "'");
  case 15:
    return {72, true, std::make_pair(std::string("{"), std::string("}"))};
  case 16:
    return supported(20, "");
  case 18:
    return supported(129, "'");
  case 19:
  case 20:
    return supported(131, "");
  case 21:
    return supported(5, "");
  default:
    return {-1, false, std::nullopt};
  }
}

TypeFacts adoTypeMap(int adoType, data::DatabaseKind kind) {
  const char* quote = model::AdoLiteralQuote(adoType, kind == data::DatabaseKind::Access);
  if (!quote) return {adoType, false, std::nullopt};
  return supported(adoType, quote);
}

int32_t daoAttributeMask(int daoAttributes, bool required) {
  int32_t mask = 0;
  if ((daoAttributes & 1) == 1) mask = 16;
  if ((daoAttributes & 16) != 16) mask += 4;
  if (!required) mask += 32;
  return mask;
}

} // namespace quillet::schema
