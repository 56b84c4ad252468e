/* The Susie import plug-in interface of Folivex on Linux.
 *
 * A plug-in is an ELF shared object named *.spi that exports the four entry points
 * below with C linkage. It may use the local memory functions declared at the end;
 * the host program exports them, so a plug-in resolves them when it is loaded.
 * This header needs nothing but the C standard library and works from C and C++. */
#ifndef FOLIVEX_SUSIE_H
#define FOLIVEX_SUSIE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void *HLOCAL;
#pragma pack(push, 1)
typedef struct {
    int32_t left, top, width, height;
    uint16_t x_density, y_density;
    int16_t colorDepth;
    HLOCAL hInfo;
} SusiePictureInfo;
#pragma pack(pop)
typedef int32_t (*SusieProgressCallback)(int32_t nNum, int32_t nDenom, intptr_t lData);
int32_t GetPluginInfo(int32_t infono, char *buf, int32_t buflen);
int32_t IsSupported(const char *filename, void *dw);  /* dw: >= 2048 readable bytes */
int32_t GetPictureInfo(const char *buf, intptr_t len, uint32_t flag, SusiePictureInfo *lpInfo);
int32_t GetPicture(const char *buf, intptr_t len, uint32_t flag, HLOCAL *pHBInfo,
                   HLOCAL *pHBm, SusieProgressCallback lpPrgressCallback, intptr_t lData);

/* Pointer types of the entry points, for hosts that look them up by name. */
typedef int32_t (*SusieGetPluginInfoFunc)(int32_t, char *, int32_t);
typedef int32_t (*SusieIsSupportedFunc)(const char *, void *);
typedef int32_t (*SusieGetPictureInfoFunc)(const char *, intptr_t, uint32_t,
                                           SusiePictureInfo *);
typedef int32_t (*SusieGetPictureFunc)(const char *, intptr_t, uint32_t, HLOCAL *, HLOCAL *,
                                       SusieProgressCallback, intptr_t);

/* Local memory handles, as on Windows. A handle records the size it was made with;
 * LocalSize of anything that is not a live handle is 0. LocalFree returns NULL on
 * success and the handle itself when it is not a live handle. */
#define LMEM_FIXED 0x0000u
#define LMEM_MOVEABLE 0x0002u
#define LMEM_ZEROINIT 0x0040u
#define LHND (LMEM_MOVEABLE | LMEM_ZEROINIT)
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

HLOCAL LocalAlloc(uint32_t uFlags, size_t uBytes);
void *LocalLock(HLOCAL hMem);
int32_t LocalUnlock(HLOCAL hMem);
size_t LocalSize(HLOCAL hMem);
HLOCAL LocalFree(HLOCAL hMem);

#ifdef __cplusplus
}
#endif

#endif /* FOLIVEX_SUSIE_H */
