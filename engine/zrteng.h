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

/* ---- Why a call failed -------------------------------------------------------------- */

/* Every call that can fail (opening, moving to a record, appending, updating, committing,
 * packing, loading, searching, listing, exporting, the stop list, the morphology
 * dictionary, key trees) sets an error state: ZRT_OK after success, a code and a message
 * after a failure. Accessors (counts, field texts, names) leave it as it was. Calls on a
 * handle set the handle's state; calls without one (ZRT_LoadFromPlugin, ZRTStop_build,
 * DZInit, ORTree_*, ZRT_OpenFile, and calls on a handle that ZRT_Build could not
 * allocate) set the calling thread's, which a null handle reads. */
#define ZRT_OK 0
#define ZRT_ERR_NOTFOUND 1 /* a file, record or name that is not there */
#define ZRT_ERR_CORRUPT 2  /* a damaged edition file */
#define ZRT_ERR_IO 3       /* a read or write that failed */
#define ZRT_ERR_ARGUMENT 4 /* an argument the call cannot take (null, out of range, closed) */
#define ZRT_ERR_READONLY 5 /* a change to an edition opened read-only */
#define ZRT_ERR_LIMIT 6    /* a table, text or memory limit */
#define ZRT_ERR_SYNTAX 7   /* a query text that does not parse; see ZRT_ErrOffset */
#define ZRT_ERR_INTERNAL 8 /* a fault inside the engine */
ZRT_API int ZRT_ErrCode(EngineHandle *h);
/* The message of the last failure ("" after success), valid until the next call that
 * sets the same error state. English text; file names as the caller gave them. */
ZRT_API const char *ZRT_ErrMsg(EngineHandle *h);
/* For ZRT_ERR_SYNTAX: the byte offset in the query text (as composed with the limits)
 * where parsing stopped; otherwise -1. */
ZRT_API int32_t ZRT_ErrOffset(EngineHandle *h);

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

/* What an open edition is made of, for tools that show it. */
typedef struct ZRT_EditionInfo {
  int32_t sourceFields;     /* source fields, numbered 1 .. sourceFields */
  int32_t hasDescriptor;    /* 1 when a descriptor defines the fields callers see */
  int32_t readOnly;         /* 1 when the files could be opened for reading only */
  int32_t shiftedNumbering; /* 1 when the record number 11 is not used */
  int32_t newPageIndex;     /* 1 for the "ASDp" page index, 0 for "ASDP" */
  int32_t pageEntries;      /* entries of the page index */
} ZRT_EditionInfo;
/* 0, or -1 when the edition is not open. */
ZRT_API int ZRT_GetEditionInfo(EngineHandle *h, ZRT_EditionInfo *info);
/* Source field n (1 .. sourceFields): its name, with its display name and index group
 * written through the pointers that are not NULL; NULL outside. */
ZRT_API const char *ZRT_GetSrcField(EngineHandle *h, uint8_t n, const char **display,
                                    int32_t *group);
/* Compiles descriptor definitions ("NAME(Display) = expression"), each seeing the ones
 * before it, against the source fields of an edition still to be made. Returns count when
 * all compile, else the index of the first that does not (its reason in the thread's
 * error state), or -1 for missing arguments. */
ZRT_API int32_t ZRT_CheckFieldDefinitions(const char *const *definitions, int32_t count,
                                          const char *const *fieldNames, int32_t fieldCount);
ZRT_API const char *ZRT_GetCopyright(EngineHandle *h);

/* ---- Loading and updating ------------------------------------------------------- */

/* Document texts: ZRT_MAX_TEXTS pointers indexed by source field number - 1, a null or
 * empty text meaning the field is absent. The store texts are kept and shown; the index
 * texts are split into the words of the update index. */
#define ZRT_MAX_TEXTS 256

/* What one record holds: at most ZRT_RECORD_ENTRIES non-empty texts, taking at most
 * ZRT_RECORD_AREA bytes with one terminator each; a larger record is refused. */
#define ZRT_RECORD_ENTRIES 127
#define ZRT_RECORD_AREA 10000

/* Appends a document (the record count reaches the record index only when committed);
 * returns the number of words indexed, or -1. */
ZRT_API int ZRT_DoAppendBase(EngineHandle *h, char **storeTexts, char **indexTexts);
/* Appends and commits; here a null pointer ends each list. 0 or -1. */
ZRT_API int ZRT_Insert(EngineHandle *h, char **storeTexts, char **indexTexts);
/* Replaces the current record (same number and flag) and re-indexes it; words or -1. */
ZRT_API int ZRT_DoUpdateBase(EngineHandle *h, char **storeTexts, char **indexTexts);
/* ZRT_DoUpdateBase with lists ended by a null pointer; 0 or -1. */
ZRT_API int ZRT_Update(EngineHandle *h, char **storeTexts, char **indexTexts);
/* Writes the record count, so that the records appended since the last commit stay. 0 or
 * -1. Closing the handle without it drops those records and their words. */
ZRT_API int ZRT_Commit(EngineHandle *h);
/* Merges the update index into the static index and drops withdrawn records; always 0
 * (the error state tells whether it succeeded). */
ZRT_API int ZRT_PackBase(EngineHandle *h);

/* A caller's document source for ZRT_LoadFromPlugin. open fills at most 255 field names
 * (then a null entry) and their index groups, and a context; -1 on failure. next fills
 * ZRT_MAX_TEXTS store and index text pointers and returns > 0 while it delivers. */
typedef int (*ZRT_SourceOpen)(const char *sourceName, char **fieldNames,
                              unsigned char *fieldGroups, void **context);
typedef int (*ZRT_SourceNext)(void *context, char **storeTexts, char **indexTexts);
typedef void (*ZRT_SourceClose)(void *context);
/* Builds a new edition from a source: -1 when the source cannot be opened, else 0 (an
 * existing edition is left untouched and nothing is loaded). */
ZRT_API int ZRT_LoadFromPlugin(const char *path, const char *suffix, const char *editionName,
                               const char *shortName, const char *sourceName, int32_t reserved,
                               const char *copyright, ZRT_SourceOpen open, ZRT_SourceNext next,
                               ZRT_SourceClose close);

/* Builds a new edition from the caller's documents, as ZRT_LoadFromPlugin does, with the
 * field list given outright: fieldCount names (at most 255) with one index group each.
 * next returns > 0 while it delivers, 0 at the end and < 0 when the source failed (the
 * caller keeps its own reason). progress (may be NULL) is called after each document;
 * stats (may be NULL) gets the records and words loaded. 0, or -1 with the thread's
 * error state set; a failed load leaves no files and an existing edition untouched. */
typedef struct ZRT_LoadStats {
  int64_t records;
  int64_t words;
} ZRT_LoadStats;
typedef void (*ZRT_LoadProgress)(void *context, const ZRT_LoadStats *now);
ZRT_API int ZRT_LoadEdition(const char *path, const char *suffix, const char *title,
                            const char *shortName, const char *copyright, int32_t fieldCount,
                            const char *const *fieldNames, const uint8_t *fieldGroups,
                            ZRT_SourceNext next, ZRT_LoadProgress progress, void *context,
                            ZRT_LoadStats *stats);
/* Removes every file of the edition at path + suffix (a load's own leftovers). */
ZRT_API void ZRT_RemoveEdition(const char *path, const char *suffix);
/* Puts the complete edition at `from` (a base path) in the place of the edition at `to`,
 * an existing one only when replace is non-zero, so that `to` holds either edition whole
 * even when the process dies on the way (the next open finishes the move). Refused while
 * another process writes `to`. 0, or -1 with the thread's error state set. */
ZRT_API int ZRT_MoveEdition(const char *from, const char *to, int32_t replace);

/* Checks every file of the edition at path + suffix and the references between them
 * (records, dictionary and occurrences, page index, update index, contents, descriptor),
 * after the open has rolled back a write that a crash cut short. report (may be NULL) is
 * called for each problem with the file's name, the byte offset (-1: not at one place)
 * and a message, all valid during the call. Returns the number of problems: 0 for a
 * sound edition, 1 or more otherwise; -1 without a path. */
typedef void (*ZRT_CheckReport)(void *context, const char *file, int64_t offset,
                                const char *message);
ZRT_API int32_t ZRT_CheckEdition(const char *path, const char *suffix, ZRT_CheckReport report,
                                 void *context);
/* The name of an edition's file: path + suffix with its extension replaced by ext (".cdo";
 * NULL or "": the base name without one). Writes at most room - 1 bytes and a NUL to out
 * and returns the name's whole length, or -1. */
ZRT_API int32_t ZRT_EditionFileName(const char *path, const char *suffix, const char *ext,
                                    char *out, int32_t room);

/* A table of named values that callers and document sources pass around. Its texts are
 * copied into the table's own area; a row that does not fit is refused (-1). */
#define ZRT_ROWS_MAX 127
#define ZRT_ROW_TEXT_SIZE 16384
typedef struct ZRT_RowTable {
  int8_t count;
  char *names[128];
  int32_t lengths[128];
  char *values[128];
  char text[ZRT_ROW_TEXT_SIZE];
} ZRT_RowTable;
ZRT_API int ZRT_CAddRow(ZRT_RowTable *table, const char *name, const char *value, int32_t reset);
ZRT_API const char *ZRT_CGetRowByNum(ZRT_RowTable *table, int32_t row);
ZRT_API const char *ZRT_CGetRowByName(ZRT_RowTable *table, const char *name);

/* ---- Query, found set, dictionary listing, highlighting ---------------------------- */

/* One limit of the query builder: the text (itself in the query language) is searched
 * in the field, and every limit is joined to the query with AND. */
#define ZRT_LIMIT_FIELD_SIZE 64
#define ZRT_LIMIT_TEXT_SIZE 2048
typedef struct ZRTLimit {
  char field[ZRT_LIMIT_FIELD_SIZE]; /* field code, e.g. "PY"; NUL-terminated */
  char text[ZRT_LIMIT_TEXT_SIZE];   /* NUL-terminated */
  int32_t reserved;                 /* not used */
} ZRTLimit;

/* The word op-code list: the query's words and operators in evaluation order, for
 * highlighting. The caller provides zeroed storage; CWordOpCode_build makes it live,
 * CWordOpCode_Clear empties it before each query, CWordOpCode_destroy ends it. It holds
 * at most 100 words and 400 records and stops recording there. */
typedef struct CWordOpCode {
  struct ZrtWordOpCodes *impl;
} CWordOpCode;

/* Called once per evaluated term: dictionary rows, records, occurrences and the term;
 * (0, 0, 0) for a term found nowhere, (-1, -1, -1) for a stop word. */
typedef void (*ZRT_QueryProgress)(int32_t rows, int32_t records, int32_t occurrences,
                                  const char *term);

/* Parses and evaluates the query (with the limits appended) into the handle's found
 * set: 0, or -1 for an empty query, a syntax error, a text over 2047 bytes, a term over
 * 127 bytes, more than 10 pending sets or 126 fields in a list, or an unreadable index.
 * After -1 the found set is empty. list and progress may be NULL. */
ZRT_API int ZRT_SetQueryByString(EngineHandle *h, const char *text, int32_t limitCount,
                                 const ZRTLimit *limits, CWordOpCode *list,
                                 ZRT_QueryProgress progress);
/* Called from the progress callback of the query running on h (a time limit, a cancel
 * button): the query stops after the term being reported and ZRT_SetQueryByString
 * returns -1, with ZRT_ERR_LIMIT and a message saying so. A query also fails with
 * ZRT_ERR_LIMIT when it would hold more than 16,777,216 word occurrences at once. */
ZRT_API void ZRT_StopQuery(EngineHandle *h);
ZRT_API int32_t ZRT_GetNumFoundRecords(EngineHandle *h);
/* The text that the last ZRT_SetQueryByString parsed: the query with its limits, the
 * text that ZRT_ErrOffset counts in. Valid until the next query on the handle. */
ZRT_API const char *ZRT_GetQueryText(EngineHandle *h);
/* Writes the found record numbers in ascending order, at most maxCount; returns how many
 * were written, or with records NULL the number found. */
ZRT_API int32_t ZRT_BuildList(EngineHandle *h, int32_t *records, int32_t maxCount);
/* Browsing without a query: forward, the numbers after `from` (from < 0 counts as 0);
 * backward, the maxCount numbers before `from` (all of 1 ... from - 1 when fewer). */
ZRT_API int32_t ZRT_GetRnoList(EngineHandle *h, int32_t *records, int32_t maxCount, int32_t from,
                               int32_t forward);

/* The dictionary listing: the index words matching a root (a query term; empty: the
 * first words of the index) in the named fields (names separated by blanks, tabs, line
 * ends, "," or ";"; NULL or empty: all fields), at most 1250 rows. 0, or -1. */
ZRT_API int ZRT_SetQueryByRoot(EngineHandle *h, const char *root, const char *fieldNames);
ZRT_API uint16_t ZRT_GetNumFoundWords(EngineHandle *h);
/* Row i of the listing: its word (in a buffer shared by all handles, valid until the
 * next call) with its document and occurrence counts; NULL outside the listing. */
ZRT_API const char *ZRT_GetDctRow(EngineHandle *h, int32_t i, int32_t *documents,
                                  int32_t *frequency);
/* 1 when the last listing stopped at a row limit (301 words of the static index, 1250 in
 * all), so that a longer root would list more; else 0. */
ZRT_API int ZRT_GetDctCut(EngineHandle *h);

/* Every index word that begins with prefix (a word, no wildcards; NULL or empty: every
 * word), in index order and without the listing's row limits, each with the counts that
 * ZRT_GetDctRow gives it: row gets the caller's context, the word (valid during the
 * call), a mask of the source fields 1-32 it occurs in (bit n - 1 for field n) and its
 * document and occurrence counts. Returns the number of words, or -1. */
typedef void (*ZRT_WordRow)(void *context, const char *word, uint32_t fieldMask,
                            int32_t documents, int32_t occurrences);
ZRT_API int32_t ZRT_ListWords(EngineHandle *h, const char *prefix, ZRT_WordRow row,
                              void *context);

ZRT_API int CWordOpCode_build(CWordOpCode *list);
ZRT_API void CWordOpCode_Clear(CWordOpCode *list);
ZRT_API void CWordOpCode_destroy(CWordOpCode *list);

/* Copies text to out with the words of the list's query marked: mark1 "_\xDD".."_\xFD",
 * mark2 "_\xDE".."_\xFE", mark3 "_\xDF".."_\xFF" (each when non-zero). fieldNumber is
 * the text's field number. With enable 0, a NULL or empty list the text is copied. out
 * must hold strlen(text) + ZRT_HIGH_EXTRA bytes; no more is written. Returns out. */
#define ZRT_HIGH_EXTRA 3073
ZRT_API char *LStrHigh(const char *text, char *out, CWordOpCode *list, uint8_t fieldNumber,
                       int32_t enable, int32_t mark1, int32_t mark2, int32_t mark3);

/* ---- Character tables (in place; return their argument) ---------------------------- */

ZRT_API char *LOemToAnsi(char *text);
ZRT_API char *LAnsiUpper(char *text);
ZRT_API char *LAnsiLower(char *text);
/* An export file's code page 866 text (ZRT_CP866 of ZRT_ExportRecord, ZRT_IsoWrite) back
 * to Windows-1251. */
ZRT_API char *LExchangeToAnsi(char *text);

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
/* 1 when the last walk (ORTree_First, ORTree_Next...) ended at a damaged page instead
 * of the end of the tree, so that a caller can tell a cut table from a short one. */
ZRT_API int ORTree_Damaged(ORTree *t);
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
/* Writes the forms of a word (any case; yo spelled as ye or not), joined, into out
 * (DZ_FORMS_SIZE bytes; whole forms that do not fit are left out) and returns how many
 * were written; 0 leaves out empty, as does a context without a dictionary. */
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

/* ---- Markup converters and output forms ------------------------------------------- */

/* Convert stored document markup (Symbol-font escapes, highlight codes, super- and
 * subscripts) and return out. out must have room for, with n = strlen(in):
 *   OrvToTxt   6 * n + 1 bytes     plain Windows-1251 text
 *   OrvToHtml 17 * n + 1 bytes     an HTML fragment
 *   OrvToRtf  10 * n + 1 bytes     an RTF fragment for a document whose font 2 is Symbol
 *                                  and colour 2 the highlight colour
 * and no more than that is ever written. The HTML and RTF fragments are balanced: every
 * element or group they open is closed within them, and no end code closes anything of
 * the enclosing document. */
ZRT_API char *OrvToTxt(char *out, const char *in);
ZRT_API char *OrvToHtml(char *out, const char *in);
ZRT_API char *OrvToRtf(char *out, const char *in);

/* Output forms. Value kinds that cross the resolver interface. */
#define ZRT_FORM_STRING 15
#define ZRT_FORM_INTEGER 16
/* The caller's name resolver: gets the caller's context, the name, where to store the
 * kind of the answer (ZRT_FORM_STRING or ZRT_FORM_INTEGER; anything else makes the
 * expression fail), the argument values (integers, or pointers to strings valid during
 * the call) and their count (0 for a bare name). Returns the integer, or a string that
 * the resolver keeps owning (copied at once, at most 39,999 bytes of it). */
typedef intptr_t (*ZRT_FormResolver)(void *context, const char *name, int32_t *kind,
                                     const intptr_t *args, int32_t count);
/* Room the caller's output buffer must have: PParseForm writes at most
 * ZRT_FORM_ROOM - 1 bytes, so that the caller's terminating NUL fits, and cuts the
 * output there. */
#define ZRT_FORM_ROOM 600000
/* Counters the loop-variable array must hold; loops nested deeper than that are not
 * repeated (their body is expanded once), and _LVn/_in beyond it have no value. */
#define ZRT_FORM_LOOPS 16
/* Expands form[start, end) (form NUL-terminated at or after end) at loop depth `depth`
 * (-1 outside any loop) and returns the number of bytes written to out; no NUL is
 * written. Never fails: faulty directives are copied or have no value. */
ZRT_API int32_t PParseForm(const char *form, int32_t start, int32_t end, char *out,
                           void *context, int32_t *loopVars, int32_t depth,
                           ZRT_FormResolver resolver);

/* ---- Export writers ------------------------------------------------------------------ */

/* Opens a file with the platform's open(path, flags, mode): its descriptor, or -1. */
ZRT_API int ZRT_OpenFile(const char *path, int flags, int mode);
/* Closes it: 0, or -1 when what was written could not be kept. */
ZRT_API int ZRT_CloseFile(int fd);
/* Write the current record of an open edition to fd, in code page 866, and return 0, or
 * -1 when the write failed (a full disk, a removed medium).
 * fieldList: NULL or empty for every defined field, "-" first for every entry of the
 * record under its stored name, else field names separated by tab, line feed, carriage
 * return, blank, "," or ";" (unknown names are skipped).
 * TxtWrite: the header (when not empty) and CR LF, then each non-empty field, with its
 * name in a 9-column margin when withNames, wrapped at 63 columns (72 without names).
 * CsvWrite: the fields joined by the byte *separator (none when separator is NULL), CR LF.
 * IsoWrite: an ISO 2709 record of exactly the listed fields' entries (markup kept), in
 * lines of 80 bytes each followed by CR LF. */
ZRT_API int ZRT_TxtWrite(EngineHandle *h, int fd, const char *header, int withNames,
                         const char *fieldList, int convertMarkup);
ZRT_API int ZRT_CsvWrite(EngineHandle *h, int fd, const char *separator, const char *fieldList,
                         int convertMarkup);
ZRT_API int ZRT_IsoWrite(EngineHandle *h, int fd, const char *fieldList);

/* The current record in a layout and code page, into out (room bytes, no NUL added):
 * returns the layout's whole length, which may exceed room (call again with more), or -1.
 *   ZRT_EXPORT_TEXT       as ZRT_TxtWrite with names and converted markup, under header
 *   ZRT_EXPORT_SEPARATED  as ZRT_CsvWrite with converted markup
 *   ZRT_EXPORT_ISO        as ZRT_IsoWrite (80-byte lines)
 *   ZRT_EXPORT_ISO_PLAIN  one unfolded record in the form MARC readers take: each data
 *                         field with two blank indicators and subfield a
 *   ZRT_EXPORT_NAMES      the separated layout's first line: the listed field names (or
 *                         every defined field) joined by the separator, CR LF
 * In UTF-8 the ISO directory holds the UTF-8 lengths. */
#define ZRT_EXPORT_TEXT 0
#define ZRT_EXPORT_SEPARATED 1
#define ZRT_EXPORT_ISO 2
#define ZRT_EXPORT_ISO_PLAIN 3
#define ZRT_EXPORT_NAMES 4
#define ZRT_CP866 0
#define ZRT_CP1251 1
#define ZRT_UTF8 2
ZRT_API int32_t ZRT_ExportRecord(EngineHandle *h, int32_t layout, int32_t codePage,
                                 const char *header, char separator, const char *fieldList,
                                 char *out, int32_t room);

/* ---- Select statements ------------------------------------------------------------- */

/* A relational-style dialect over one open edition, for callers other than the front
 * end: select [DISTINCT] items from name [where condition | query text] [group by list
 * [having condition]] [order by list] [start with condition]. Each record is a row (its
 * number is ROWID), its fields are the columns. Run as ZRT_Parse_FSelect,
 * ZRT_Parse_Select, ZRT_Iterate_Select, ZRT_End_Select, ZRT_Delete_Select. A failure
 * leaves its reason in the handle's error state (ZRT_ErrCode, ZRT_ErrMsg; ZRT_ErrOffset
 * is the place in the failing clause's text for a syntax error); ZRT_Parse_FSelect and
 * ZRTOpenCfg use the thread's (ZRT_ErrMsg(NULL)). */
#define ZRT_SELECT_MAX_ITEMS 64 /* select items */
#define ZRT_SELECT_MAX_SLOTS 10 /* aggregate calls in the items and HAVING together */
#define ZRT_SELECT_MAX_LIST 32  /* items of the order list and of the grouping list
                                   (which with DISTINCT also holds the select items) */

/* Error kinds and clauses of ZRTSelect. */
#define ZRT_SELECT_ERR_SYNTAX 1
#define ZRT_SELECT_ERR_ROOM 2      /* more items, slots or list items than the sizes above */
#define ZRT_SELECT_ERR_ARGUMENTS 3 /* a function called with too few or too many */
#define ZRT_SELECT_ERR_HAVING 5    /* HAVING without a grouping list */
/* 6 to 9: a temporary tree (grouping, group order, ordering, distinct) cannot be created */
#define ZRT_SELECT_CLAUSE_ITEMS 1
#define ZRT_SELECT_CLAUSE_CONDITION 2
#define ZRT_SELECT_CLAUSE_ORDER 3
#define ZRT_SELECT_CLAUSE_GROUP 4
#define ZRT_SELECT_CLAUSE_HAVING 5
#define ZRT_SELECT_CLAUSE_START 6

/* The select object. The caller provides zeroed storage and keeps it until after
 * ZRT_Delete_Select; ZRT_Parse_Select fills it (releasing what an earlier parse left). */
typedef struct ZRTSelect {
  struct ZrtSelect *impl;     /* compiled statement and temporary trees */
  int32_t itemCount;          /* number of select items */
  /* Headings of the items: the item's text or its alias. Windows-1251, owned by the
   * object, valid until the next ZRT_Parse_Select or ZRT_Delete_Select on it. */
  const char *headings[ZRT_SELECT_MAX_ITEMS];
  int32_t errorPosition; /* byte offset in the failing clause's text */
  int32_t errorKind;     /* ZRT_SELECT_ERR_..., 0 after a successful parse */
  int32_t errorClause;   /* ZRT_SELECT_CLAUSE_..., 0 when no clause is to blame */
} ZRTSelect;

/* One output row: the first context value, 0, the number of items, the items' texts
 * (valid only during the call) and the second context value. */
typedef void (*ZRT_SelectCallback)(void *context1, int32_t zero, int32_t count,
                                   const char *const *texts, void *context2);

/* Substitutes parameters and cuts a statement into its clauses. params is NULL or a list
 * ended by a NULL pointer: "&n" (n of one or two digits) becomes params[n-1], and is
 * deleted when the list has no n-th text. The statement is not changed: the
 * substitution and the clause texts live in storage the engine owns, one per thread,
 * valid until the next ZRT_Parse_FSelect on that thread. The outputs (any may be NULL)
 * receive the clause texts ("" when absent) and the query flag (1 for "query" instead
 * of "where"). 0; -1 when the text does not begin with select; -2 without from. */
ZRT_API int ZRT_Parse_FSelect(const char *statement, const char *const *params, char **from,
                              char **items, char **condition, int32_t *isQuery, char **order,
                              char **group, char **having, char **startWith);
/* Compiles the clauses (any may be NULL or empty) for the handle's open edition and
 * creates the temporary trees. With isQuery the condition is a full-text query that is
 * run at once (the edition's found set is then that query's). 0, or the negated error
 * kind with the object's error fields set. The clause texts are not changed. */
ZRT_API int ZRT_Parse_Select(EngineHandle *h, const char *items, const char *condition,
                             int32_t isQuery, const char *order, const char *group,
                             const char *having, const char *startWith, ZRTSelect *s);
/* The row pass: filters every row, and delivers rows at once or files them for the
 * final pass. 0, or -1 when an evaluation fails or a temporary file cannot be written;
 * the temporary files are then removed and ZRT_End_Select returns -1. */
ZRT_API int ZRT_Iterate_Select(EngineHandle *h, ZRTSelect *s, ZRT_SelectCallback callback,
                               void *context1, void *context2);
/* The final pass: completes aggregates, groups, delivers the filed rows in order and
 * removes the temporary files. 0 or -1 as above. */
ZRT_API int ZRT_End_Select(EngineHandle *h, ZRTSelect *s, ZRT_SelectCallback callback,
                           void *context1, void *context2);
/* Releases the compiled statement and removes any temporary files left; 0. */
ZRT_API int ZRT_Delete_Select(ZRTSelect *s);

/* ---- Configuration files and URL escaping ------------------------------------------ */

/* A configuration file read into caller-provided storage. Lines: "#" comments,
 * "[section]" lines, and "key value # comment" entries (entries before the first
 * section belong to the section ""). Keys and sections match case-sensitively. */
#define ZRT_CFG_MAX_ENTRIES 128
#define ZRT_CFG_PATH_SIZE 260
typedef struct ZRTCfgEntry {
  char *key;
  char *section;
  char *value;
} ZRTCfgEntry;
typedef struct ZRTCfg {
  ZRTCfgEntry entries[ZRT_CFG_MAX_ENTRIES]; /* sorted by section, then key; owned */
  int32_t count;                            /* entries kept */
  int32_t dropped; /* entries after the first ZRT_CFG_MAX_ENTRIES, which are not kept */
  char path[ZRT_CFG_PATH_SIZE]; /* the file path, cut to ZRT_CFG_PATH_SIZE - 1 bytes */
} ZRTCfg;
/* Reads the file into cfg: 1, or 0 when it cannot be opened (cfg is then untouched).
 * A cfg that holds entries must be freed first. */
ZRT_API int ZRTOpenCfg(const char *path, ZRTCfg *cfg);
/* Copies the value of section/key into out (the value's length + 1 bytes) and returns
 * 1; otherwise copies def when it is not NULL (its length + 1 bytes) and returns 0. */
ZRT_API int ZRTGetCfgStr(ZRTCfg *cfg, const char *section, const char *key, char *out,
                         const char *def);
/* Releases every entry's texts; 1. */
ZRT_API int ZRTFreeCfg(ZRTCfg *cfg);
/* In place: "+" becomes a space and "%hh" the byte hh (a "%" with fewer than two
 * characters after it stays as it is); returns text. */
ZRT_API char *unescape_url(char *text);
/* In place: every space becomes "+"; returns text. */
ZRT_API char *escape_query(char *text);

#ifdef __cplusplus
}
#endif

#endif /* ZRTENG_H */
