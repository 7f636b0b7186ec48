/* Calls the engine through its public header from plain C: the header must stay valid C
 * and the exports must be reachable with C linkage from the shared library. */
#include <stdio.h>
#include <string.h>

#include "zrteng.h"

_Static_assert(sizeof(EngineHandle) == ZRT_HANDLE_SIZE, "engine handle storage");
_Static_assert(sizeof(ORTreeItem) == ORTREE_ITEM_SIZE, "key tree item");
_Static_assert(sizeof(((ZRTSelect*)0)->headings) / sizeof(char*) == ZRT_SELECT_MAX_ITEMS,
               "select headings");

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

  /* Select statements, configuration files and URL escaping from C storage. */
  char *from, *items, *cond, *order, *group, *having, *start;
  int32_t isQuery = -1;
  const char* params[] = {"TI", NULL};
  check(ZRT_Parse_FSelect("select &1 from db; query war", params, &from, &items, &cond, &isQuery,
                          &order, &group, &having, &start) == 0 &&
            strcmp(items, " TI") == 0 && strcmp(from, "db") == 0 && isQuery == 1,
        "ZRT_Parse_FSelect cuts and substitutes");
  ZRTSelect select;
  memset(&select, 0, sizeof select);
  EngineHandle closed;
  ZRT_Build(&closed);
  check(ZRT_Parse_Select(&closed, "TI", "", 0, "", "", "", "", &select) == -1,
        "ZRT_Parse_Select on a handle that is not open");
  check(ZRT_Iterate_Select(&closed, &select, NULL, NULL, NULL) == -1, "nothing to iterate");
  check(ZRT_Delete_Select(&select) == 0 && select.impl == NULL, "ZRT_Delete_Select");
  ZRT_Destroy(&closed);
  ZRTCfg cfg;
  memset(&cfg, 0, sizeof cfg);
  check(ZRTOpenCfg("/nonexistent/zrt.cfg", &cfg) == 0 && cfg.count == 0, "ZRTOpenCfg of no file");
  char value[8] = "";
  check(ZRTGetCfgStr(&cfg, "S", "k", value, "d") == 0 && strcmp(value, "d") == 0, "default value");
  check(ZRTFreeCfg(&cfg) == 1, "ZRTFreeCfg");
  char url[] = "a+b%2Cc";
  check(strcmp(unescape_url(url), "a b,c") == 0, "unescape_url");
  check(strcmp(escape_query(url), "a+b,c") == 0, "escape_query");

  printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
