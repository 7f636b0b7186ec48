#include "load_source.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <sstream>

#include "edition_arg.h"

namespace zrt::cli {
namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) items.push_back(item);
  return items;
}

bool ParseGroup(const std::string& text, int* group) {
  if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *group = std::stoi(text);
  return *group <= 32;
}

}  // namespace

bool ReadSourceOptions(const Args& args, SourceSpec* spec, client::NewEdition* meta,
                       std::string* error) {
  spec->format = args.Get("format", spec->format);
  spec->substitute = args.Has("substitute");
  spec->encoding = args.Get("encoding", spec->encoding);
  if (spec->encoding != "cp866" && spec->encoding != "cp1251" && spec->encoding != "utf-8") {
    *error = "--encoding wants cp866, cp1251 or utf-8, not '" + spec->encoding + "'";
    return false;
  }
  if (args.Has("encoding") && spec->format != "iso") {
    *error = "--encoding belongs to --format iso (JSON Lines are UTF-8)";
    return false;
  }
  spec->skipBad = args.Has("skip-bad");
  std::string titles[3];  // title, short name, copyright (UTF-8)
  if (args.Has("header") && !client::ReadSourceHeader(args.Get("header"), spec, titles, error)) return false;
  if (args.Has("fields")) {
    spec->fields.clear();
    for (const std::string& item : SplitList(args.Get("fields"))) {
      FieldSpec field;
      size_t eq = item.find('=');
      field.code = item.substr(0, eq);
      if (eq != std::string::npos)
        for (const std::string& key : SplitList(item.substr(eq + 1))) field.keys.push_back(key);
      field.group = static_cast<int>(spec->fields.size()) + 1;
      if (field.group > 32) field.group = 0;
      spec->fields.push_back(std::move(field));
    }
    if (spec->fields.empty()) {
      *error = "--fields names no field";
      return false;
    }
  }
  if (args.Has("groups")) {
    std::vector<std::string> groups = SplitList(args.Get("groups"));
    if (groups.size() != spec->fields.size()) {
      *error = "--groups gives " + std::to_string(groups.size()) + " groups for " +
               std::to_string(spec->fields.size()) + " fields";
      return false;
    }
    for (size_t i = 0; i < groups.size(); ++i)
      if (!ParseGroup(groups[i], &spec->fields[i].group)) {
        *error = "--groups: '" + groups[i] + "' is not a group from 0 to 32";
        return false;
      }
  }
  for (const std::string& key : SplitList(args.Get("ignore"))) spec->ignore.push_back(key);
  std::set<std::string> codes;
  for (size_t i = 0; i < spec->fields.size(); ++i) {
    FieldSpec& f = spec->fields[i];
    if (f.code.empty()) {
      *error = "a field has no code";
      return false;
    }
    if (!codes.insert(f.code).second) {
      *error = "field " + f.code + " is named twice";
      return false;
    }
    if (f.keys.empty()) f.keys.push_back(f.code);
    f.slot = static_cast<int>(i);
  }
  if (spec->fields.size() > 255) {
    *error = "an edition holds at most 255 fields";
    return false;
  }
  if (args.Has("title")) titles[0] = args.Get("title");
  if (args.Has("short-name")) titles[1] = args.Get("short-name");
  if (args.Has("copyright")) titles[2] = args.Get("copyright");
  std::string* out[3] = {&meta->title, &meta->shortName, &meta->copyright};
  const char* what[3] = {"the title", "the short name", "the copyright line"};
  for (int i = 0; i < 3; ++i) {
    std::string bad;
    if (!FromUtf8(titles[i], out[i], &bad)) {
      *error = std::string(what[i]) + ": '" + bad + "' has no Windows-1251 form";
      return false;
    }
  }
  return true;
}

ProgressBar::ProgressBar() : terminal_(::isatty(STDERR_FILENO) == 1) {}

void ProgressBar::Update(double fraction, long long records) {
  if (!terminal_) return;
  using Clock = std::chrono::steady_clock;
  double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
  if (last_ >= 0 && now - last_ < 0.2) return;
  last_ = now;
  constexpr int kWidth = 30;
  int filled = static_cast<int>(fraction * kWidth + 0.5);
  filled = filled < 0 ? 0 : filled > kWidth ? kWidth : filled;
  std::fprintf(stderr, "\r[%s%s] %3d%%  %lld records", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), static_cast<int>(fraction * 100),
               records);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Done() {
  if (!drawn_) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace zrt::cli
