/* Calls the engine through its public header from plain C: the header must stay valid C
 * and the exports must be reachable with C linkage from the shared library. */
#include <stdio.h>
#include <string.h>

#include "zrteng.h"

_Static_assert(sizeof(EngineHandle) == ZRT_HANDLE_SIZE, "engine handle storage");
_Static_assert(sizeof(ORTreeItem) == ORTREE_ITEM_SIZE, "key tree item");

static int failures = 0;
static int checks = 0;

static void check(int ok, const char* what) {
  ++checks;
  if (!ok) {
    ++failures;
    fprintf(stderr, "abi_c: FAILED %s\n", what);
  }
}

int main(void) {
  check(ZRT_Test() == 121, "ZRT_Test answers 121");

  char cut = 0;
  int32_t ignorePoint = -1, ignoreOperators = -1, autoCut = -1;
  CDat_GetQParam(&cut, &ignorePoint, &ignoreOperators, &autoCut);
  check(cut == '$' && ignorePoint == 0 && ignoreOperators == 0 && autoCut == 0,
        "default query parameters are '$', 0, 0, 0");

  /* "Word _word" with Cyrillic "я" (FF) after a plain byte and after the escape. */
  char text[] = "Word_w \xFF_\xFF";
  check(LAnsiUpper(text) == text, "LAnsiUpper returns its argument");
  check(strcmp(text, "WORD_w \xDF_\xFF") == 0, "LAnsiUpper casing and escape");
  check(LAnsiUpper(NULL) == NULL, "LAnsiUpper(NULL)");

  check(ZRTStop_build(NULL) == 0, "ZRTStop_build(NULL) reads nothing");
  ZRTCStop_destroy();

  printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
