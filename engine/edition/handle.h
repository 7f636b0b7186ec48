// From an engine handle to its edition, for the exported wrappers.
#pragma once

#include "edition/edition.h"
#include "zrteng.h"

namespace zrt {

inline Edition* EditionOf(EngineHandle* h) { return h ? h->edition : nullptr; }

// The edition when it is open, else null (record and field calls need open files).
inline Edition* OpenEditionOf(EngineHandle* h) {
  Edition* e = EditionOf(h);
  return e && e->isOpen() ? e : nullptr;
}

}  // namespace zrt
