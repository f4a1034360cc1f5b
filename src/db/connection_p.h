#pragma once
// Not part of the layer's interface: a seam for tests. Every backend a
// connection opens from now on is first passed through the wrapper (tests wrap
// it to inject faults); an empty wrapper leaves backends as they are.
#include "db/backend.h"

#include <functional>
#include <memory>

namespace db {

using BackendWrapper = std::function<std::unique_ptr<Backend>(std::unique_ptr<Backend>)>;
void setBackendWrapper(BackendWrapper wrapper);

} // namespace db
