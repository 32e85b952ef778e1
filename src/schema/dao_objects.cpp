#include "schema/dao_objects.h"

namespace quillet::schema {

QUILLET_DEFINE_CLASS(DaoField) {
  b.get("Name", [](DaoField& f) { return f.column.name; })
      .get("Type", [](DaoField& f) { return static_cast<int32_t>(f.column.type); })
      .get("Size", [](DaoField& f) { return static_cast<int32_t>(f.column.size); })
      .get("Attributes", [](DaoField& f) { return static_cast<int32_t>(f.column.attributes); })
      .get("AllowZeroLength", [](DaoField& f) { return f.column.allowZeroLength; })
      .get("Required", [](DaoField& f) { return f.column.required; });
}

QUILLET_DEFINE_CLASS(DaoTableDef) {
  b.get("Name", [](DaoTableDef& t) { return t.table.name; }).get("Attributes", [](DaoTableDef& t) {
    return t.table.attributes;
  });
}

QUILLET_DEFINE_CLASS(DaoQueryDef) {
  b.get("Name", [](DaoQueryDef& q) { return q.query.name; }).get("SQL", [](DaoQueryDef& q) {
    return q.query.sql;
  });
}

} // namespace quillet::schema
