#pragma once

#include <functional>

// Progress of a long exchange operation (import, export): called with the
// percentage done, 0 to 100, only when it changes. Returning false cancels
// the operation, which then leaves everything as it was before.
using ProgressFn = std::function<bool(int percent)>;
