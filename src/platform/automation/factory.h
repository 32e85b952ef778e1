#pragma once
// The class factory: creatable classes registered under a ProgID, as CreateObject reaches
// them ("Scripting.Dictionary", "Quillet.RUZStringBuilder").
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/object.h"

namespace quillet::platform::automation {

using ObjectCreator = std::function<Ref<Object>()>;

// Registers a creatable class; a later registration of the same ProgID replaces it.
void registerClass(std::string progId, ObjectCreator creator);
bool isRegistered(std::string_view progId);
// Creates an object by ProgID (case-insensitive); error 429 when none is registered.
Ref<Object> create(std::string_view progId);
std::vector<std::string> registeredClasses();

// Defers a program's registrations to the factory's first use (a look-up or another
// registration), made on the thread that uses it first. A script that creates no object
// then does not pay for registering every class of the engine, and for the hooks that come
// with them. A registrar still pending when another is deferred runs first.
void registerClassesOnFirstUse(void (*registrar)());

// Registers a creatable class made by its default constructor: the one way every layer
// registers its classes (each layer's register function lists them).
template <class T> void registerClass(std::string progId) {
  registerClass(std::move(progId), [] { return Ref<Object>(makeRef<T>()); });
}

} // namespace quillet::platform::automation
