// C wrappers of the markup converters and the form expander.
#include <cstring>

#include "api/handle.h"
#include "output/form.h"
#include "output/markup.h"

namespace {

using Converter = size_t (*)(std::string_view, char*, size_t);

// Out of memory inside a converter leaves an empty text rather than a partial one.
char* Convert(char* out, const char* in, Converter convert, size_t (*room)(size_t)) {
  if (out == nullptr) return nullptr;
  const size_t n = in ? std::strlen(in) : 0;
  if (!zrt::Quiet(false, [&] {
        convert(std::string_view(in ? in : "", n), out, room(n));
        return true;
      }))
    out[0] = 0;
  return out;
}

}  // namespace

extern "C" {

ZRT_API char* OrvToTxt(char* out, const char* in) { return Convert(out, in, zrt::OrvToTxt, zrt::TxtRoom); }
ZRT_API char* OrvToHtml(char* out, const char* in) { return Convert(out, in, zrt::OrvToHtml, zrt::HtmlRoom); }
ZRT_API char* OrvToRtf(char* out, const char* in) { return Convert(out, in, zrt::OrvToRtf, zrt::RtfRoom); }

ZRT_API int32_t PParseForm(const char* form, int32_t start, int32_t end, char* out, void* context,
                           int32_t* loopVars, int32_t depth, ZRT_FormResolver resolver) {
  if (form == nullptr || out == nullptr || start < 0 || end <= start) return 0;
  // The text may end (NUL) before the stated end; nothing past the NUL is read.
  size_t length = strnlen(form, static_cast<size_t>(end));
  zrt::FormEnv env;
  env.context = context;
  env.resolver = resolver;
  if (loopVars != nullptr) env.loopVars = std::span<int32_t>(loopVars, ZRT_FORM_LOOPS);
  return zrt::Quiet(0, [&] {
    return static_cast<int32_t>(zrt::ExpandForm(std::string_view(form, length), static_cast<size_t>(start),
                                                length, env, depth, out, ZRT_FORM_ROOM - 1));
  });
}

}  // extern "C"
