// Process-wide query parameters.
#include "text/qparams.h"
#include "zrteng.h"

extern "C" {

ZRT_API int CDat_SetQParam(char cutChar, int32_t ignorePoint, int32_t ignoreOperators,
                           int32_t autoCut) {
  zrt::QueryParams& p = zrt::GlobalQueryParams();
  p.cutChar = cutChar;
  p.ignorePoint = ignorePoint;
  p.ignoreOperators = ignoreOperators;
  p.autoCut = autoCut;
  return autoCut;
}

ZRT_API void CDat_GetQParam(char* cutChar, int32_t* ignorePoint, int32_t* ignoreOperators,
                            int32_t* autoCut) {
  const zrt::QueryParams& p = zrt::GlobalQueryParams();
  if (cutChar) *cutChar = p.cutChar;
  if (ignorePoint) *ignorePoint = p.ignorePoint;
  if (ignoreOperators) *ignoreOperators = p.ignoreOperators;
  if (autoCut) *autoCut = p.autoCut;
}

ZRT_API int ZRT_Test(void) { return 121; }

}  // extern "C"
