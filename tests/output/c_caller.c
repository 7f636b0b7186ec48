/* Calls the converters and the form expander from plain C, as the front end does, so that
 * the public header stays valid C. */
#include <stdlib.h>
#include <string.h>

#include "zrteng.h"

static intptr_t Resolve(void *context, const char *name, int32_t *kind, const intptr_t *args,
                        int32_t count) {
  (void)context;
  if (strcmp(name, "dbs_rno") == 0 && count == 1) {
    *kind = ZRT_FORM_INTEGER;
    return args[0] * 10;
  }
  *kind = ZRT_FORM_STRING;
  return (intptr_t)(strcmp(name, "rec_TI") == 0 ? "Title" : "");
}

int32_t ExpandFromC(const char *form, char *out) {
  int32_t loops[ZRT_FORM_LOOPS] = {0};
  int32_t n = PParseForm(form, 0, (int32_t)strlen(form), out, NULL, loops, -1, Resolve);
  out[n] = '\0';
  return n;
}

char *RtfFromC(char *out, const char *in) { return OrvToRtf(out, in); }
