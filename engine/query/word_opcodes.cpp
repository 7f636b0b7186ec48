#include "query/word_opcodes.h"

namespace zrt {

void WordOpCodes::Clear() {
  words_.clear();
  records_.clear();
  stack_.clear();
  full_ = false;
}

bool WordOpCodes::Room(size_t words) {
  if (!full_ && records_.size() < kMaxRecords && words_.size() + words <= kMaxWords) return true;
  full_ = true;
  return false;
}

void WordOpCodes::AddTerm(const std::string& term, char cutChar) {
  if (!Room(1)) return;
  std::string text = term.substr(0, kMaxWordBytes);
  size_t n = text.size();
  if (n >= 3 && text[n - 2] == cutChar && text[n - 1] >= '0' && text[n - 1] <= '9') text.pop_back();
  auto index = static_cast<uint8_t>(words_.size());
  words_.push_back({std::move(text), {}});
  stack_.push_back(index);
  records_.push_back({kTerm, index, 0});
}

void WordOpCodes::AddOperator(int op) {
  // An operator needs two words on the stack; a list that stopped recording has none
  // to spare, and recording now would break the program.
  if (!Room(0) || stack_.size() < 2) {
    full_ = true;
    return;
  }
  uint8_t right = stack_.back();
  stack_.pop_back();
  records_.push_back({static_cast<uint8_t>(op), stack_.back(), right});
}

void WordOpCodes::AddFieldRestriction(int op, uint32_t fieldMask) {
  if (!Room(0) || stack_.empty()) {
    full_ = true;
    return;
  }
  records_.push_back({static_cast<uint8_t>(op), stack_.back(), fieldMask});
}

}  // namespace zrt
