/* Audio-device events of the platform services: the engine asks for them when it opens an output
 * device and ignores them afterwards. The stand-in accepts the request and never delivers one. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* flags: 0. Returns BPS_SUCCESS. */
int audiodevice_request_events(int flags);
int audiodevice_stop_events(int flags);

#ifdef __cplusplus
}
#endif
