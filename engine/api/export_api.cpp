// C wrappers of the export writers: the layouts are built in memory and written to the
// caller's descriptor as raw bytes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "api/handle.h"
#include "codepage/cp1251.h"
#include "output/export.h"
#include "text/charset.h"

using zrt::Status;

namespace {

Status WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Status::IOError(std::string("the export file cannot be written: ") + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
  return Status::Ok();
}

// Writes what `layout` makes of the current record.
template <class Layout>
int Export(EngineHandle* h, int fd, Layout&& layout) {
  return zrt::Guard(zrt::ErrorOf(h), -1, [&](Status& error) {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    // Nothing to write is not a failed write: 0, as callers have always been told.
    if (!e) return zrt::Report(error, Status::InvalidArgument("the edition is not open"), 0, 0);
    zrt::RecordExport record(e->store(), e->descriptor());
    return zrt::Report(error, WriteAll(fd, layout(record)), 0, -1);
  });
}

// The listed names (every defined field without a list), as the writers split them.
std::string NamesLine(const zrt::Edition& e, const char* fieldList, char separator) {
  std::string list = fieldList ? fieldList : "", line;
  const char* separators = "\t\n\r ,;";
  for (size_t pos = 0; (pos = list.find_first_not_of(separators, pos)) != std::string::npos;) {
    size_t end = list.find_first_of(separators, pos);
    if (!line.empty() && separator) line += separator;
    line += list.substr(pos, end == std::string::npos ? end : end - pos);
    pos = end;
  }
  if (list.empty())
    for (int n = 1; n <= e.fields().FieldCount(); ++n) {
      if (!line.empty() && separator) line += separator;
      line += e.fields().FieldByNo(static_cast<uint8_t>(n));
    }
  return line;
}

}  // namespace

extern "C" {

ZRT_API int ZRT_OpenFile(const char* path, int flags, int mode) {
  return zrt::Guard(zrt::ThreadError(), -1, [&](Status& error) {
    int fd = path ? ::open(path, flags, mode) : -1;
    if (fd < 0)
      error = Status::IOError(std::string(path ? path : "(no path)") + ": " + std::strerror(path ? errno : EINVAL));
    return fd;
  });
}

ZRT_API int ZRT_CloseFile(int fd) { return ::close(fd) == 0 ? 0 : -1; }

ZRT_API int ZRT_TxtWrite(EngineHandle* h, int fd, const char* header, int withNames,
                         const char* fieldList, int convertMarkup) {
  return Export(h, fd, [&](zrt::RecordExport& r) {
    return r.Text(header ? header : "", withNames != 0, fieldList, convertMarkup != 0);
  });
}

ZRT_API int ZRT_CsvWrite(EngineHandle* h, int fd, const char* separator, const char* fieldList,
                         int convertMarkup) {
  return Export(h, fd, [&](zrt::RecordExport& r) {
    return r.Separated(separator ? *separator : '\0', fieldList, convertMarkup != 0);
  });
}

ZRT_API int32_t ZRT_ExportRecord(EngineHandle* h, int32_t layout, int32_t codePage, const char* header,
                                 char separator, const char* fieldList, char* out, int32_t room) {
  return zrt::Guard(zrt::ErrorOf(h), -1, [&](Status& error) -> int32_t {
    zrt::Edition* e = zrt::OpenEditionOf(h);
    if (!e) return zrt::Report(error, Status::InvalidArgument("the edition is not open"), 0, -1);
    if (layout < ZRT_EXPORT_TEXT || layout > ZRT_EXPORT_NAMES || codePage < ZRT_CP866 || codePage > ZRT_UTF8 ||
        room < 0 || (room > 0 && !out))
      return zrt::Report(error, Status::InvalidArgument("no such layout or code page, or no room"), 0, -1);
    // The writers' own code page is 866; Windows-1251 is the engine's text. UTF-8 is made
    // from that afterwards (the text layout wraps by bytes, so in a one-byte code page
    // first) or, in ISO 2709, field by field so that the directory holds UTF-8 lengths.
    const bool iso = layout == ZRT_EXPORT_ISO || layout == ZRT_EXPORT_ISO_PLAIN;
    zrt::RecordExport::Encoder encode = nullptr;
    if (codePage == ZRT_CP1251 || (codePage == ZRT_UTF8 && !iso))
      encode = [](std::string ansi) { return ansi; };
    else if (codePage == ZRT_UTF8)
      encode = [](std::string ansi) { return zrt::cp1251::ToUtf8(ansi); };
    zrt::RecordExport record(e->store(), e->descriptor(), encode);
    std::string bytes;
    switch (layout) {
      case ZRT_EXPORT_TEXT: bytes = record.Text(header ? header : "", true, fieldList, true); break;
      case ZRT_EXPORT_SEPARATED: bytes = record.Separated(separator, fieldList, true); break;
      case ZRT_EXPORT_ISO: bytes = record.Iso(fieldList, true); break;
      case ZRT_EXPORT_ISO_PLAIN: bytes = record.Iso(fieldList, false); break;
      default: {
        std::string line = NamesLine(*e, fieldList, separator);
        bytes = (encode ? line : zrt::AnsiToExchangeOem(line)) + "\r\n";
      }
    }
    if (codePage == ZRT_UTF8 && !iso) bytes = zrt::cp1251::ToUtf8(bytes);
    if (bytes.size() > INT32_MAX) return zrt::Report(error, Status::Limit("the record is too large"), 0, -1);
    if (room > 0) std::memcpy(out, bytes.data(), std::min(bytes.size(), static_cast<size_t>(room)));
    return static_cast<int32_t>(bytes.size());
  });
}

ZRT_API int ZRT_IsoWrite(EngineHandle* h, int fd, const char* fieldList) {
  return Export(h, fd, [&](zrt::RecordExport& r) { return r.Iso(fieldList); });
}

}  // extern "C"
