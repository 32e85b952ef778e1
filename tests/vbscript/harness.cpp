#include "harness.h"

namespace vbtest {

QUILLET_DEFINE_CLASS(Output) {
  b.method("Echo", &Output::Echo);
}

QUILLET_DEFINE_CLASS(Bag) {
  b.method("Add", &Bag::Add)
      .prop("Item", &Bag::Item, &Bag::setItem)
      .get("Count", &Bag::Count)
      .method("Twice", &Bag::Twice)
      .method("Sum", &Bag::Sum)
      .defaultMember("Item")
      .enumerator(&Bag::Keys);
}

} // namespace vbtest
