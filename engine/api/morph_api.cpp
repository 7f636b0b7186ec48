// Exported morphology: thin wrappers over the dictionary, the generator and the query
// rewrite. Buffers the caller passes have the sizes named in zrteng.h and nothing is
// written beyond them.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "api/handle.h"
#include "morph/dictionary.h"
#include "morph/forms.h"
#include "morph/wordforms.h"

struct ZrtMorphDict {
  std::unique_ptr<zrt::morph::Dictionary> dictionary;
};

static_assert(DZ_TABLE_ENTRIES == zrt::morph::kTableEntries);
static_assert(DZ_MAX_SLOTS == zrt::morph::kMaxSlots && DZ_SLOT_SIZE == zrt::morph::kSlotSize);

extern "C" {

ZRT_API int DZInit(const char* path, DZContext* ctx) {
  return zrt::Guard(zrt::ThreadError(), -1, [&](zrt::Status& error) {
    if (ctx == nullptr || path == nullptr)
      return zrt::Report(error, zrt::Status::InvalidArgument("no path or no context"), 0, -1);
    ctx->dict = nullptr;
    std::memset(ctx->table, 0, sizeof ctx->table);
    auto holder = std::make_unique<ZrtMorphDict>();
    error = zrt::morph::Dictionary::Open(path, &holder->dictionary);
    if (!error.ok()) return -1;
    const auto& table = holder->dictionary->table();
    std::memcpy(ctx->table, table.data(), sizeof ctx->table);
    ctx->dict = holder.release();
    return 0;
  });
}

ZRT_API void DZStop(DZContext* ctx) {
  if (ctx == nullptr) return;
  delete ctx->dict;
  ctx->dict = nullptr;
}

ZRT_API int DZFindForms(const char* word, char* out, DZContext* ctx, int flags) {
  if (out != nullptr) out[0] = 0;
  if (word == nullptr || out == nullptr || ctx == nullptr || ctx->dict == nullptr) return 0;
  return zrt::Quiet(0, [&] {
    std::vector<std::string> forms;
    zrt::morph::FindForms(*ctx->dict->dictionary, word, flags, &forms);
    int written = 0;
    std::string text = zrt::morph::JoinForms(forms, flags, DZ_FORMS_SIZE, &written);
    std::memcpy(out, text.c_str(), text.size() + 1);
    return written;
  });
}

ZRT_API int BuildAllForms(const char* const* stems, const uint32_t* codes, const uint32_t* masks,
                          const uint32_t* features, const uint32_t* fourths, int count,
                          const char* word, char (*slots)[DZ_SLOT_SIZE]) {
  if (stems == nullptr || codes == nullptr || masks == nullptr || features == nullptr ||
      fourths == nullptr || slots == nullptr || count <= 0)
    return 0;
  return zrt::Quiet(0, [&] {
    std::vector<zrt::morph::StemView> views;
    for (int i = 0; i < count; ++i) {
      if (stems[i] == nullptr) return 0;
      views.push_back({stems[i], codes[i], masks[i], features[i], fourths[i]});
    }
    return zrt::morph::BuildAllForms(views.data(), count, word, slots);
  });
}

ZRT_API void DZCompress(char (*forms)[DZ_FORM_SIZE], int count, int minLength) {
  if (forms == nullptr || count <= 1) return;
  zrt::Quiet(0, [&] {
    std::vector<std::string> list;
    for (int i = 0; i < count; ++i) list.emplace_back(forms[i], strnlen(forms[i], DZ_FORM_SIZE - 1));
    zrt::morph::Compress(list, 0, list.size(), minLength > 0 ? static_cast<size_t>(minLength) : 1);
    for (int i = 0; i < count; ++i) {
      const size_t n = std::min(list[i].size(), static_cast<size_t>(DZ_FORM_SIZE - 1));
      std::memcpy(forms[i], list[i].data(), n);
      forms[i][n] = 0;
    }
    return 0;
  });
}

ZRT_API char* DZExpandQuery(const char* query, char* out, DZContext* ctx, int flags) {
  if (out == nullptr) return out;
  out[0] = 0;
  if (query == nullptr) return out;
  const size_t n = std::strlen(query);
  const size_t capacity = n == 0 ? 1 : n * DZ_EXPAND_FACTOR;
  const zrt::morph::Dictionary* dict =
      ctx != nullptr && ctx->dict != nullptr ? ctx->dict->dictionary.get() : nullptr;
  // Out of memory: the query stays as typed, which always fits.
  if (!zrt::Quiet(false, [&] {
        std::string text = zrt::morph::ExpandQuery(dict, std::string_view(query, n), flags, capacity);
        std::memcpy(out, text.c_str(), text.size() + 1);
        return true;
      }))
    std::memcpy(out, query, n + 1);
  return out;
}

}  // extern "C"
