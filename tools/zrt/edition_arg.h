// What every zrt command takes from the client layer: opened editions, text conversion
// at the boundary, and failures in words.
#pragma once

#include "client/edition.h"
#include "client/text.h"

namespace zrt::cli {

using client::FieldByCode;
using client::FromUtf8;
using client::OpCodeList;
using client::OpenedEdition;
using client::QueryFailure;
using client::ToUtf8;
using client::Utf8;
using client::ValidUtf8;
using client::Width;

// A command-line argument as engine text.
inline bool ArgText(const std::string& utf8, std::string* cp1251, std::string* error,
                    const std::string& what) {
  return client::ToEngineText(utf8, cp1251, error, what);
}

}  // namespace zrt::cli
