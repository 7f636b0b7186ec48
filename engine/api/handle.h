// What every exported wrapper shares: from an engine handle to its edition, where the
// error state of a call goes, and the guard that keeps exceptions on this side of the C
// boundary.
#pragma once

#include <exception>
#include <new>

#include "base/status.h"
#include "edition/edition.h"
#include "zrteng.h"

namespace zrt {

inline Edition* EditionOf(EngineHandle* h) { return h ? h->edition : nullptr; }

// The edition when it is open, else null (record and field calls need open files).
inline Edition* OpenEditionOf(EngineHandle* h) {
  Edition* e = EditionOf(h);
  return e && e->isOpen() ? e : nullptr;
}

// The error state of calls without a handle (and on a handle ZRT_Build could not
// allocate): one per thread, so that concurrent callers do not read each other's.
Status& ThreadError();

// The handle's error state, or the thread's when there is no edition behind it.
inline Status& ErrorOf(EngineHandle* h) {
  return h && h->edition ? h->edition->apiError : ThreadError();
}

// Runs the body of an exported call that can fail. The error state is cleared first;
// the body reports a failure by storing its status there. Any exception becomes
// `failure` with its reason, never an unwinding through C.
template <class R, class Body>
R Guard(Status& error, R failure, Body&& body) noexcept {
  error = Status::Ok();
  try {
    return body(error);
  } catch (const std::bad_alloc&) {
    error = Status::Limit("out of memory");
  } catch (const std::exception& x) {
    error = Status::Internal(x.what());
  } catch (...) {
    error = Status::Internal("unexpected failure");
  }
  return failure;
}

// The same for accessors, which cannot fail in a way worth reporting: the error state of
// the last call that could is left as it is.
template <class R, class Body>
R Quiet(R failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

// Stores `s` as the call's outcome and gives the result that goes with it.
template <class R>
R Report(Status& error, const Status& s, R success, R failure) {
  error = s;
  return s.ok() ? success : failure;
}

}  // namespace zrt
