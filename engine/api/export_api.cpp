// C wrappers of the export writers: the layouts are built in memory and written to the
// caller's descriptor as raw bytes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "api/handle.h"
#include "output/export.h"

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

ZRT_API int ZRT_IsoWrite(EngineHandle* h, int fd, const char* fieldList) {
  return Export(h, fd, [&](zrt::RecordExport& r) { return r.Iso(fieldList); });
}

}  // extern "C"
