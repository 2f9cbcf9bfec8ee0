// Play commands a plug-in writes into a sound slot.
//
// A one-shot event is sent as SOUND_PLAY_ONCE in the frame it happens and as
// SOUND_UNCHANGED in the frames after, so the host starts it exactly once.
#ifndef CABKIT_HOST_SOUND_COMMANDS_H
#define CABKIT_HOST_SOUND_COMMANDS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CABKIT_SOUND_STOP (-10000) /* silence the sound */
#define CABKIT_SOUND_LOOP 0        /* play it looping */
#define CABKIT_SOUND_PLAY_ONCE 1   /* play it once from the start */
#define CABKIT_SOUND_UNCHANGED 2   /* leave it as it is */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CABKIT_HOST_SOUND_COMMANDS_H */
