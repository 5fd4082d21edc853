#pragma once

/*
 * The video encoder library: a screen recording as H.264 (libx264) in an
 * MP4 file, fed one RGBA frame at a time.
 *
 * Frames carry the time they are appended, read from the library's own
 * monotonic clock, not their count: when frames come slower than the
 * nominal rate the video still plays at real speed. The first frame is at
 * time 0; the last one lasts until videoEnd.
 *
 * A handle is used by one thread at a time; different handles are
 * independent.
 */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  if defined(VIDEOENC_BUILD)
#    define VIDEOENC_API __declspec(dllexport)
#  else
#    define VIDEOENC_API __declspec(dllimport)
#  endif
#else
#  define VIDEOENC_API __attribute__((visibility("default")))
#endif

/* The file a program opens at run time rather than linking it. */
#if defined(_WIN32)
#define VIDEOENC_LIBRARY_NAME "libvideoenc.dll"
#else
#define VIDEOENC_LIBRARY_NAME "libvideoenc.so"
#endif

typedef struct VideoRecording VideoRecording;

/*
 * Creates file (a UTF-8 path) and starts a recording of width x height
 * frames at about frameRate frames a second. Odd sides are rounded down to
 * even ones; frames are still read with rows of width * 4 bytes. 0 when the
 * file cannot be created or the encoder cannot start (sides below 2, a rate
 * below 1); the file is then not left behind.
 */
VIDEOENC_API VideoRecording *videoStart(const char *file, int width, int height, int frameRate);

/*
 * Encodes one frame: height rows of width * 4 bytes, red, green, blue and
 * alpha per pixel (alpha is ignored). 0 on success, negative when the frame
 * could not be encoded or written (a null handle or frame included).
 */
VIDEOENC_API int videoAppendFrame(VideoRecording *handle, const void *frame);

/*
 * Encodes what is still held, finishes the file and frees the handle.
 * 0 when the file is complete; negative when any part of it could not be
 * written (a full disk shows here, as writes are buffered) or when it
 * holds no frame; a recording without a frame removes its file. A null
 * handle does nothing and gives a negative result.
 */
VIDEOENC_API int videoEnd(VideoRecording *handle);

#ifdef __cplusplus
}
#endif
