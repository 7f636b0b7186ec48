// C wrappers of the export writers: the layouts are built in memory and written to the
// caller's descriptor as raw bytes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "edition/handle.h"
#include "output/export.h"

namespace {

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the writers do not report write failures
    done += static_cast<size_t>(n);
  }
}

}  // namespace

extern "C" {

ZRT_API int ZRT_OpenFile(const char* path, int flags, int mode) {
  return path ? ::open(path, flags, mode) : -1;
}

ZRT_API int ZRT_CloseFile(int fd) { return ::close(fd); }

ZRT_API int ZRT_TxtWrite(EngineHandle* h, int fd, const char* header, int withNames,
                         const char* fieldList, int convertMarkup) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  if (e) {
    zrt::RecordExport record(e->store(), e->descriptor());
    WriteAll(fd, record.Text(header ? header : "", withNames != 0, fieldList, convertMarkup != 0));
  }
  return 0;
}

ZRT_API int ZRT_CsvWrite(EngineHandle* h, int fd, const char* separator, const char* fieldList,
                         int convertMarkup) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  if (e) {
    zrt::RecordExport record(e->store(), e->descriptor());
    WriteAll(fd, record.Separated(separator ? *separator : '\0', fieldList, convertMarkup != 0));
  }
  return 0;
}

ZRT_API int ZRT_IsoWrite(EngineHandle* h, int fd, const char* fieldList) {
  zrt::Edition* e = zrt::OpenEditionOf(h);
  if (e) WriteAll(fd, zrt::RecordExport(e->store(), e->descriptor()).Iso(fieldList));
  return 0;
}

}  // extern "C"
