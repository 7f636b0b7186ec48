// zrt help query: the query language on one page, each rule with an example that works
// on the bundled catalog (samples/ruslit.jsonl loaded with samples/ruslit-header.json).
#include "options.h"

namespace zrt::cli {

void PrintQueryHelp(FILE* out) {
  std::fputs(
      R"HELP(The query language (zrt search, export --query, render --query)

Words are found whatever their case; «ё» is the same letter as «е». A word of
the query is one index word: letters and digits up to a blank, ")" or ".".

Operators, lowest precedence first; one level reads from left to right:
  OR   |            either word                       война OR мир
  AND  &            both, anywhere in the record      война AND мир
  NOT  NOTAND  ~    the left without the right        война NOT мир
  SAME              both in one field                 война SAME мир
  (no operator)     the same as SAME                  война мир
  NOTSAME           the left, not in a field with the right
  WITH              both within 32 words of one field  война WITH мир
  NOTWITH           the left, not within 32 words of the right
  ADJ  ADJn         the right word follows, at most n (1-9) words later
                                                      мёртвые ADJ души
  NOTADJ            the left, not directly followed by the right
Keywords are matched in any case and only as whole words ("ORANGE" is a word).
Parentheses group: (война OR мир) AND толстой$

Fields (the codes that 'zrt info' lists):
  word IN TI        the word in the title             души IN TI
  word IN TI, AB    in either field                   (змея OR змеи) IN TI, AB
  word NOTIN TI     anywhere but in the title         души NOTIN TI
  word.TI           the same as IN                    души.TI
  word..TI          the same as NOTIN                 души..TI
Inside a group with a field, AND means SAME: (война AND мир) IN TI wants both
words in the title.

Truncation and wildcards ("$" is the cut character, which --cut changes):
  душ$              every word that begins with "душ"
  душ$2             ... with at most 2 more letters   (душа, души, душой)
  д?ша              "?" is exactly one letter          (даша, душа, дыша)
  м$ртвые           "$" inside a word: any letters     (мертвые, мёртвые)
  zrt search --auto-cut makes every word a prefix.

Quotes make one word of anything: 'NOT', 'a.b', 'O''Neil' (a doubled quote).

Limits: zrt search --limit PY=1862 adds "AND (1862) IN PY"; several --limit are
joined by AND:  zrt search EDITION 'отцы' --limit PY=1862 --limit AU='тургенев$'

Stop words (zrt search --stop FILE, a list in code page 866, one word a line,
"$" for any ending): a stop word is left out of the query; "война AND и" is
"война". A query of stop words only finds nothing and says so.

Word forms: zrt search --forms (-m) turns each plain Russian word into the OR of
its forms from the morphology dictionary: 'душа' finds "души", "душу", "душой".
)HELP",
      out);
}

}  // namespace zrt::cli
