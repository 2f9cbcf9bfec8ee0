// The two arrays the host shares with every plug-in in each Elapse.
#ifndef CABKIT_HOST_HOST_ARRAYS_H
#define CABKIT_HOST_HOST_ARRAYS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The host hands arrays of this many 32-bit slots. Slots 0..249 of the panel
 * are in use; a plug-in never touches an index at or beyond these sizes. */
#define CABKIT_PANEL_SLOTS 256
#define CABKIT_SOUND_SLOTS 256

/* Highest panel slot any plug-in of this system reads or writes. */
#define CABKIT_PANEL_LAST_USED 249

#ifdef __cplusplus
} /* extern "C" */
static_assert(CABKIT_PANEL_LAST_USED < CABKIT_PANEL_SLOTS, "panel slots in use fit the array");
#endif

#endif /* CABKIT_HOST_HOST_ARRAYS_H */
