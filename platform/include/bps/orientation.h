/* Device orientation: which edge of the device is up, and by how many degrees it is turned from
 * its natural (landscape) position. Our own declaration of the tablet's call. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef enum orientation_direction_t {
    ORIENTATION_FACE_UP = 0,
    ORIENTATION_TOP_UP = 1,    /* 0 degrees */
    ORIENTATION_LEFT_UP = 2,   /* 90 degrees */
    ORIENTATION_BOTTOM_UP = 3, /* 180 degrees */
    ORIENTATION_RIGHT_UP = 4,  /* 270 degrees */
    ORIENTATION_FACE_DOWN = 5
} orientation_direction_t;

/* Writes the edge that is up and the angle in degrees (0, 90, 180 or 270); either pointer may be
 * null. Returns BPS_SUCCESS. The stand-in's display is a panel whose natural position is
 * landscape: a portrait display reports 90 degrees, a landscape one 0, unless
 * standin_set_orientation chose another angle. */
int orientation_get(orientation_direction_t *direction, int *angle);

#ifdef __cplusplus
}
#endif
