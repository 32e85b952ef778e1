#pragma once
// The template services of the program: the script host, the template preparation, the
// cache index and the compiler of the template engine, behind the interfaces a generation
// run reaches them through.
#include <memory>

#include "generation/services.h"

namespace quillet::generation {

// Template services over the template engine, for one thread.
std::shared_ptr<TemplateServices> makeTemplateEngineServices();

// Makes the template engine the services every thread gets unless it installs its own.
void registerTemplateEngine();

} // namespace quillet::generation
