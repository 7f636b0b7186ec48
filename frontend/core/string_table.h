// The numbered user-visible texts of the program (strings.txt, a resource).
#pragma once

#include <QString>

namespace tolvar {

// The text of string `id`; an unknown number gives "#id" so a gap shows on screen.
QString Str(int id);

}  // namespace tolvar
