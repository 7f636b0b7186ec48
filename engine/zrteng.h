/*
 * zrteng — the Tolvar retrieval engine. This is the library's whole public surface:
 * flat functions with C linkage over engine handles that the caller allocates.
 *
 * Conventions: 0 is success and -1 failure; counts are non-negative; a missing pointer
 * result is NULL. Text is NUL-terminated Windows-1251. The engine owns every pointer it
 * returns: record texts live until the next ZRT_GotoRecord on the handle, computed field
 * values until the next computation on any handle. One thread at a time.
 */
#ifndef ZRTENG_H
#define ZRTENG_H

#include <stdint.h>

#if defined(ZRTENG_BUILDING)
#define ZRT_API __attribute__((visibility("default")))
#else
#define ZRT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Engine handle -------------------------------------------------------------- */

/* One opened edition. The caller provides the storage (ZRT_HANDLE_SIZE bytes), calls
 * ZRT_Build before anything else and ZRT_Destroy last, then releases the storage. */
#define ZRT_HANDLE_SIZE 256
typedef struct EngineHandle {
  struct ZrtEdition *edition; /* engine state; allocated by ZRT_Build, freed by ZRT_Destroy */
  unsigned char reserved[ZRT_HANDLE_SIZE - sizeof(void *)];
} EngineHandle;

ZRT_API void ZRT_Build(EngineHandle *h);
/* Opens the edition named by path (+ suffix, may be NULL): its descriptor when there is
 * one, description, record index and data, table of contents and word index. */
ZRT_API int ZRT_Open(EngineHandle *h, const char *path, const char *suffix);
ZRT_API int ZRT_Close(EngineHandle *h);
ZRT_API int ZRT_Destroy(EngineHandle *h);
ZRT_API int ZRT_IsOpen(EngineHandle *h);
ZRT_API int ZRT_Logon(EngineHandle *h, const char *user, int32_t a, int32_t b);
ZRT_API void ZRT_Logof(EngineHandle *h);
ZRT_API int ZRT_Test(void);

/* Process-wide query parameters: truncation character (default '$'), ignore point,
 * ignore operators, automatic truncation. SetQParam returns the auto-cut value. */
ZRT_API int CDat_SetQParam(char cutChar, int32_t ignorePoint, int32_t ignoreOperators,
                           int32_t autoCut);
ZRT_API void CDat_GetQParam(char *cutChar, int32_t *ignorePoint, int32_t *ignoreOperators,
                            int32_t *autoCut);

/* ---- Records ---------------------------------------------------------------------- */

ZRT_API int32_t ZRT_GetNumRecords(EngineHandle *h);
ZRT_API int ZRT_GotoRecord(EngineHandle *h, int32_t n);
ZRT_API int32_t ZRT_GetRecNo(EngineHandle *h);
ZRT_API const char *ZRT_GetDatSound(EngineHandle *h);
ZRT_API const char *ZRT_GetDatVideo(EngineHandle *h);
ZRT_API const char *ZRT_GetDatPicture(EngineHandle *h);
ZRT_API int32_t ZRT_GetDatPictureCount(EngineHandle *h);

/* ---- Fields ----------------------------------------------------------------------- */

ZRT_API uint8_t ZRT_GetNoByField(EngineHandle *h, const char *name);
ZRT_API uint8_t ZRT_GetSrcNoByField(EngineHandle *h, const char *name);
ZRT_API const char *ZRT_GetFieldByNo(EngineHandle *h, uint8_t n);
ZRT_API const char *ZRT_GetDataByNo(EngineHandle *h, uint8_t n);
ZRT_API const char *ZRT_GetDataBySrcNo(EngineHandle *h, uint8_t n);
/* Writes the source field numbers behind a field name; out must have room for
 * ZRT_FNUMS_MAX numbers, and no more are written. Returns the count written. */
#define ZRT_FNUMS_MAX 256
ZRT_API int ZRT_GetFNumsB(EngineHandle *h, const char *name, uint8_t *out);
ZRT_API uint16_t ZRT_GetFieldCount(EngineHandle *h);
ZRT_API const char *ZRT_GetAliasFieldName(EngineHandle *h, uint8_t position);
ZRT_API const char *ZRT_GetOemName(EngineHandle *h, int32_t selector);
ZRT_API const char *ZRT_GetCopyright(EngineHandle *h);

/* ---- Character tables (in place; return their argument) ---------------------------- */

ZRT_API char *LOemToAnsi(char *text);
ZRT_API char *LAnsiUpper(char *text);
ZRT_API char *LAnsiLower(char *text);

/* ---- Stop words -------------------------------------------------------------------- */

/* Loads the process-wide stop list from a code page 866 file: 1 read, 0 otherwise. */
ZRT_API int ZRTStop_build(const char *path);
ZRT_API void ZRTCStop_destroy(void);

/* ---- Ordered key tree (tables of contents) ---------------------------------------- */

/* A tree object; the caller provides zeroed storage. ORTree_Create (or the edition's
 * open) makes it live and ORTree_Close ends it. */
typedef struct ORTree {
  struct ZrtKeyTree *impl;
} ORTree;

/* A full item as passed to and from the tree functions: child page (-1 in a leaf),
 * data text (at most 255 bytes), key text (at most 63 bytes). */
#define ORTREE_ITEM_SIZE 324
typedef struct ORTreeItem {
  int32_t child;
  char data[256];
  char key[64];
} ORTreeItem;

ZRT_API ORTree *ZRT_GetOgl(EngineHandle *h);
ZRT_API int ORTree_Create(ORTree *t, const char *path, int32_t allowDuplicates);
ZRT_API int ORTree_Close(ORTree *t);
ZRT_API int ORTree_First(ORTree *t);
ZRT_API int ORTree_Next(ORTree *t, ORTreeItem *item);
ZRT_API int ORTree_Add(ORTree *t, ORTreeItem *item);
ZRT_API int ORTree_AddS(ORTree *t, const char *data, const char *key);
ZRT_API int ORTree_FindORKey(ORTree *t, ORTreeItem *item);
ZRT_API int ORTree_Search(ORTree *t, ORTreeItem *item);
ZRT_API int ORTree_ReplaceORKey(ORTree *t, ORTreeItem *item);

#ifdef __cplusplus
}
#endif

#endif /* ZRTENG_H */
