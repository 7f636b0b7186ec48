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

/* ---- Morphology (Russian word forms, query expansion) ----------------------------- */

/* The dictionary context: the caller owns the storage; DZInit fills it (without reading
 * what was there) and DZStop empties it. */
#define DZ_TABLE_ENTRIES 2112
typedef struct DZContext {
  struct ZrtMorphDict *dict;         /* the opened dictionary; NULL when none */
  uint32_t table[DZ_TABLE_ENTRIES];  /* the file's offset table */
} DZContext;

#define DZ_MAX_SLOTS 30       /* slots of the largest paradigm (verbs) */
#define DZ_SLOT_SIZE 64       /* one slot: at most 63 bytes and the NUL */
#define DZ_FORM_SIZE 80       /* one entry of a DZCompress list */
#define DZ_FORMS_SIZE 49152   /* DZFindForms output buffer */
#define DZ_EXPAND_FACTOR 64   /* DZExpandQuery output bytes per query byte */
#define DZ_FLAG_COMPRESS 1    /* fold forms into truncated terms */
#define DZ_FLAG_BARS 2        /* join with " | " instead of " or " */

/* Opens the dictionary file: 0, or -1 when it cannot be read or is not a dictionary. */
ZRT_API int DZInit(const char *path, DZContext *ctx);
ZRT_API void DZStop(DZContext *ctx);
/* Writes the forms of a lower-case word, joined, into out (DZ_FORMS_SIZE bytes; whole
 * forms that do not fit are left out) and returns how many were written; 0 leaves out
 * empty, as does a context without a dictionary. */
ZRT_API int DZFindForms(const char *word, char *out, DZContext *ctx, int flags);
/* Fills the slots (room for DZ_MAX_SLOTS) of one lexeme of `count` stems. Returns, with
 * a word: +k when a slot equals it, -k when it begins with a truncated slot, else 0 (k =
 * slot count); without a word: k. 0 also for an invalid first code. */
ZRT_API int BuildAllForms(const char *const *stems, const uint32_t *codes, const uint32_t *masks,
                          const uint32_t *features, const uint32_t *fourths, int count,
                          const char *word, char (*slots)[DZ_SLOT_SIZE]);
/* Compresses a sorted list of forms in place; disabled entries become "-". */
ZRT_API void DZCompress(char (*forms)[DZ_FORM_SIZE], int count, int minLength);
/* Rewrites a query, replacing free-standing Cyrillic words by their forms; out must hold
 * DZ_EXPAND_FACTOR bytes per query byte (at least 1) and the result never exceeds that:
 * a word whose forms would not fit stays as a lower-cased word. Returns out. */
ZRT_API char *DZExpandQuery(const char *query, char *out, DZContext *ctx, int flags);

#ifdef __cplusplus
}
#endif

#endif /* ZRTENG_H */
