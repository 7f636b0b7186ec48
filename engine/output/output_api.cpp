// C wrappers of the markup converters and the form expander.
#include <cstring>

#include "output/form.h"
#include "output/markup.h"
#include "zrteng.h"

extern "C" {

ZRT_API char* OrvToTxt(char* out, const char* in) {
  if (out == nullptr) return nullptr;
  size_t n = in ? std::strlen(in) : 0;
  zrt::OrvToTxt(std::string_view(in ? in : "", n), out, zrt::TxtRoom(n));
  return out;
}

ZRT_API char* OrvToHtml(char* out, const char* in) {
  if (out == nullptr) return nullptr;
  size_t n = in ? std::strlen(in) : 0;
  zrt::OrvToHtml(std::string_view(in ? in : "", n), out, zrt::HtmlRoom(n));
  return out;
}

ZRT_API char* OrvToRtf(char* out, const char* in) {
  if (out == nullptr) return nullptr;
  size_t n = in ? std::strlen(in) : 0;
  zrt::OrvToRtf(std::string_view(in ? in : "", n), out, zrt::RtfRoom(n));
  return out;
}

ZRT_API int32_t PParseForm(const char* form, int32_t start, int32_t end, char* out, void* context,
                           int32_t* loopVars, int32_t depth, ZRT_FormResolver resolver) {
  if (form == nullptr || out == nullptr || start < 0 || end <= start) return 0;
  // The text may end (NUL) before the stated end; nothing past the NUL is read.
  size_t length = strnlen(form, static_cast<size_t>(end));
  zrt::FormEnv env;
  env.context = context;
  env.resolver = resolver;
  if (loopVars != nullptr) env.loopVars = std::span<int32_t>(loopVars, ZRT_FORM_LOOPS);
  return static_cast<int32_t>(zrt::ExpandForm(std::string_view(form, length),
                                              static_cast<size_t>(start), length, env, depth, out,
                                              ZRT_FORM_ROOM - 1));
}

}  // extern "C"
