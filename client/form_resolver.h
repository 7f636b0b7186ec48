// The names an output form asks for while it is expanded over a portion of documents:
//   env_istart, env_icount      the portion's first position and its size
//   env_fname, env_fsize        the document font (face, half-points)
//   env_nummode                 the numbering mode ("" : none)
//   rec_CODE                    the current record's field, the query's words marked, its
//                               markup turned into RTF (or HTML)
//   rec_content                 the heading of the record's contents section, once per
//                               run of records of one section
//   dbs_fnd, dbs_rno            the found (or all) records; the argument back
//   dbs_go                      moves to the record at a position
//   dbs_mark, dbs_print, dbs_pmark
//                               whether a position is marked, and what printing takes
// zrt render answers these as a fresh installation of the front end would; the front
// end's document view derives from FormResolver, answers its own settings (marks, fonts,
// printing) through the virtual lookups and adds names of its own in Lookup, falling back
// on FormResolver::Lookup for the rest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/selection.h"
#include "zrteng.h"

namespace zrt::client {

// One answer: an integer or a text (Windows-1251).
struct FormValue {
  bool isText = true;
  int32_t integer = 0;
  std::string text;
  static FormValue Integer(int32_t v) { return {false, v, {}}; }
  static FormValue Text(std::string t) { return {true, 0, std::move(t)}; }
};

class FormResolver {
 public:
  // The documents are those of `selection` (which outlives the resolver) on h.
  FormResolver(EngineHandle* h, DocSelection* selection) : h_(h), selection_(selection) {}
  virtual ~FormResolver() = default;
  FormResolver(const FormResolver&) = delete;
  FormResolver& operator=(const FormResolver&) = delete;

  // Expands a form (Windows-1251) over the portion [start, start + count) of the
  // selection; *cut tells whether the output reached the engine's limit and was cut.
  std::string Expand(std::string_view form, int32_t start, int32_t count, bool* cut = nullptr);

  // Fields as HTML instead of RTF.
  void setHtml(bool html) { html_ = html; }
  // The contents code of each document the last expansion went to.
  const std::vector<std::string>& sections() const { return sections_; }

  // The first record that a dbs_go of the last expansion could not read (its fields
  // expanded empty rather than as the previous record's); 0 when every one was read.
  int32_t unreadableRecord() const { return unreadable_; }

 protected:
  // The answer for a name with its arguments (integers, or texts as const char*);
  // nothing makes the expression fail. Derived classes answer their own names first.
  virtual std::optional<FormValue> Lookup(std::string_view name, const intptr_t* args,
                                          int32_t count);

  // The settings behind the env_ and dbs_ names, as a fresh installation has them.
  virtual std::string FontFace() const { return "Times New Roman"; }
  virtual int32_t FontSize() const { return 20; }  // half-points
  virtual std::string NumberingMode() const { return ""; }
  virtual bool Marked(int32_t /*position*/) const { return false; }
  // While printing only the marked positions are printed (dbs_print), and dbs_pmark is 0.
  virtual bool Printing() const { return false; }

  // Stored markup as the output's markup (RTF, or HTML).
  std::string Markup(const std::string& stored) const;
  // The current record's field by code, marked and converted; "" when there is none.
  std::string FieldText(const char* code);
  // The current record's contents code, cut at dots until the table of contents knows
  // it; *heading is its heading, empty when no code is known.
  std::string ContentsCode(std::string* heading);

  EngineHandle* handle() const { return h_; }
  DocSelection& selection() const { return *selection_; }
  int32_t start() const { return start_; }
  int32_t count() const { return count_; }

 private:
  static intptr_t Resolve(void* context, const char* name, int32_t* kind, const intptr_t* args,
                          int32_t count);

  EngineHandle* h_;
  DocSelection* selection_;
  bool html_ = false;
  int32_t start_ = 1;
  int32_t count_ = 0;
  std::vector<std::string> sections_;  // contents code of each document visited
  int32_t unreadable_ = 0;
  bool onRecord_ = true;  // the last dbs_go reached its record
  std::string value_;                  // the text answer, owned here until the next call
};

}  // namespace zrt::client
