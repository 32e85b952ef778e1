#include "model/ado_types.h"

namespace quillet::model {

const char* AdoLiteralQuote(int32_t adoType, bool access) {
  switch (adoType) {
  case 2:
  case 3:
  case 4:
  case 5:
  case 6:
  case 11:
  case 14:
  case 16:
  case 17:
  case 18:
  case 19:
  case 20:
  case 21:
  case 131:
  case 139:
    return "";
  case 7:
  case 133:
  case 134:
  case 135:
    return access ? "#" : "'";
  case 8:
  case 72:
  case 129:
  case 130:
  case 200:
  case 201:
  case 202:
  case 203:
  case 204:
  case 205:
    return "'";
  default:
    return nullptr;
  }
}

} // namespace quillet::model
