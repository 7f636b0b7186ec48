// Symbol visibility of the ztext shared library. Everything the library exports is marked
// ZTEXT_EXPORT; the rest stays hidden (the project builds with hidden visibility).
#pragma once

#include <QtCore/qglobal.h>

#if defined(ZTEXT_LIBRARY)
#define ZTEXT_EXPORT Q_DECL_EXPORT
#else
#define ZTEXT_EXPORT Q_DECL_IMPORT
#endif
