/* The raw's input for LibRaw: the plug-in's buffer, read in place, with counts of what the
 * reads found. LibRaw decodes raw data that is cut short or missing without an error, into
 * black or whatever the memory held; the counts while it unpacks are how the plug-in
 * tells. C++ inside, since LibRaw takes a stream of one's own only through its C++
 * interface. */
#ifndef IFRAW_RAWINPUT_H
#define IFRAW_RAWINPUT_H

#include <libraw/libraw.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RawInput RawInput;

/* Opens LibRaw on size bytes at buf; LibRaw's result. *input is the stream (NULL when it
 * could not be made), which the caller frees once LibRaw is closed. */
int raw_input_open(libraw_data_t* lr, const void* buf, size_t size, RawInput** input);

/* Starts the counts afresh, before LibRaw unpacks the raw. */
void raw_input_reset(RawInput* input);

/* Whether the reads since the reset look like the whole raw data of that many samples: a
 * block read that runs past the end of the last one is normal, but reads that keep
 * finding the end, a seek past it, or less than a bit a sample read (the least lossless
 * compression leaves) mean the data is cut short or missing. */
int raw_input_seems_whole(const RawInput* input, uint64_t samples);

/* Whether every read since the reset got all it asked for, and no seek went past the end:
 * LibRaw reads an embedded preview at its claimed length, and leaves what the file did
 * not hold as the memory held it. */
int raw_input_read_all(const RawInput* input);

void raw_input_free(RawInput* input);

#ifdef __cplusplus
}
#endif

#endif /* IFRAW_RAWINPUT_H */
