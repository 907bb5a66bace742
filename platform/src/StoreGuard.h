// Keeps C++ exceptions from crossing the C entry points of the registry and the event log.
#pragma once

#include <winerror.h>

#include <new>

namespace qxstore {

// Runs inBody and returns its result; an exception becomes a Windows error code instead.
template <typename Body>
auto Guarded(Body&& inBody) noexcept -> decltype(inBody()) {
  try {
    return inBody();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return ERROR_GEN_FAILURE;
  }
}

}  // namespace qxstore
