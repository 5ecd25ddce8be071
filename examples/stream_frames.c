/* stream_frames: a program's first steps with the QLV camera library.
 *
 * Starts the library, waits for the camera, gives it frame buffers of our own, streams a number of
 * frames while waiting on the library's frame semaphore with a timeout, reports how many arrived
 * and at what rate, saves the newest one as a picture (PPM) and stops everything it started.
 *
 *   cc -o stream_frames stream_frames.c $(pkg-config --cflags --libs qlv_api)
 *   QLV_CAMERA=virtual ./stream_frames 60 newest.ppm      (the built-in virtual camera)
 *
 * Exit status 0 when every step worked; otherwise 1, with the step that failed on stderr.
 */
#define _GNU_SOURCE /* sem_clockwait */

#include <QLV_API.h>
#include <errno.h>
#include <semaphore.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum {
    resolution = 0,        /* 640 wide; 1 streams 1280 x 1024 */
    bufferCount = 4,       /* the reader rewrites a buffer after bufferCount - 1 frames */
    cameraWaitMs = 2000,   /* the library connects a plugged camera within about 50 ms */
    frameWaitMs = 1000,    /* a frame comes every 33 ms (67 ms at 1280 x 1024) */
    cameraPollMs = 10,     /* nothing signals the camera's arrival, so its presence is polled */
    streamingBit = 1 << 1, /* of QLV_CheckRecording's state */
};

/* Every library call returns 0 for success and 1 for failure. */
static int check(int32_t result, const char* what) {
    if (result != 0) {
        fprintf(stderr, "stream_frames: %s failed\n", what);
        return 0;
    }
    return 1;
}

static double secondsSince(const struct timespec* start) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - start->tv_sec) + (double)(now.tv_nsec - start->tv_nsec) / 1e9;
}

static struct timespec monotonicIn(int milliseconds) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += milliseconds / 1000;
    t.tv_nsec += (long)(milliseconds % 1000) * 1000000L;
    if (t.tv_nsec >= 1000000000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1000000000L;
    }
    return t;
}

static int waitForCamera(void) {
    const struct timespec pause = {0, cameraPollMs * 1000000L};
    for (int waited = 0; waited <= cameraWaitMs; waited += cameraPollMs) {
        int32_t port = 0;
        if (QLV_InputPort(&port) == 0 && port == 8) { /* 8: present, 4: absent */
            return 1;
        }
        nanosleep(&pause, NULL);
    }
    fprintf(stderr,
            "stream_frames: no camera within %d ms. Plug it in (see the udev rule in the SDK "
            "guide), or set QLV_CAMERA=virtual for the virtual camera.\n",
            cameraWaitMs);
    return 0;
}

/* Waits for the frame semaphore until `wanted` frames have completed. The semaphore is released
 * once per frame and once when streaming stops or ends, so a wake is checked against the frame
 * count. The monotonic clock keeps the timeout right when the wall clock is set. */
static int receiveFrames(sem_t* frameReady, int32_t wanted, int32_t* received) {
    int32_t completed = 0;
    *received = 0;
    while (completed < wanted) {
        const struct timespec deadline = monotonicIn(frameWaitMs);
        if (sem_clockwait(frameReady, CLOCK_MONOTONIC, &deadline) != 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno == ETIMEDOUT) {
                fprintf(stderr, "stream_frames: no frame within %d ms (%d received)\n", frameWaitMs,
                        (int)completed);
            } else {
                perror("stream_frames: waiting for a frame");
            }
            return 0;
        }
        const int32_t now = QLV_GetBufferIndex();
        if (now == completed) {
            int32_t state = 0;
            QLV_CheckRecording(&state);
            if ((state & streamingBit) == 0) {
                fprintf(stderr, "stream_frames: streaming ended after %d frames (camera gone?)\n",
                        (int)completed);
                return 0;
            }
        }
        completed = now;
        *received = now;
    }
    return 1;
}

static unsigned char clampByte(int value) {
    return (unsigned char)(value < 0 ? 0 : value > 255 ? 255 : value);
}

/* Frames are YCbCr 4:2:2: bytes Y0 Cb Y1 Cr for each pair of pixels, rows top to bottom. A binary
 * PPM takes the converted rows as they are. */
static int savePicture(const char* path, const unsigned char* frame, int32_t width,
                       int32_t height) {
    FILE* file = fopen(path, "wb");
    if (file == NULL) {
        fprintf(stderr, "stream_frames: cannot create %s: %s\n", path, strerror(errno));
        return 0;
    }
    unsigned char* row = malloc((size_t)width * 3);
    int ok = row != NULL && fprintf(file, "P6\n%d %d\n255\n", (int)width, (int)height) > 0;
    for (int32_t y = 0; ok && y < height; ++y) {
        const unsigned char* in = frame + (size_t)y * (size_t)width * 2;
        for (int32_t x = 0; x < width; x += 2, in += 4) {
            const int cb = in[1] - 128;
            const int cr = in[3] - 128;
            for (int k = 0; k < 2; ++k) {
                const int luma = in[2 * k];
                unsigned char* out = row + (size_t)(x + k) * 3;
                out[0] = clampByte(luma + (359 * cr) / 256);
                out[1] = clampByte(luma - (88 * cb + 183 * cr) / 256);
                out[2] = clampByte(luma + (454 * cb) / 256);
            }
        }
        ok = fwrite(row, 3, (size_t)width, file) == (size_t)width;
    }
    free(row);
    if (fclose(file) != 0) {
        ok = 0;
    }
    if (!ok) {
        fprintf(stderr, "stream_frames: writing %s failed\n", path);
    }
    return ok;
}

/* Everything between QLV_Init and QLV_Term. Whatever fails, streaming is stopped and the buffers
 * are taken back from the library before they are freed. */
static int streamAndSave(int32_t frames, const char* picturePath) {
    if (!waitForCamera()) {
        return 0;
    }
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytes = 0; /* width x height x 2 + 512 */
    if (!check(QLV_GetDispSize(resolution, &width, &height, &bytes), "QLV_GetDispSize")) {
        return 0;
    }

    void* buffers[bufferCount] = {NULL};
    int ok = 1;
    for (int i = 0; ok && i < bufferCount; ++i) {
        buffers[i] = malloc((size_t)bytes);
        ok = buffers[i] != NULL;
    }
    if (!ok) {
        fprintf(stderr, "stream_frames: no memory for %d buffers of %d bytes\n", bufferCount,
                (int)bytes);
    }

    QLV_HANDLE semaphore = NULL;
    ok = ok && check(QLV_DispMode(1), "QLV_DispMode(1)") &&
         check(QLV_RegisterBuffer(bufferCount, buffers), "QLV_RegisterBuffer") &&
         check(QLV_GetDataSemaphoHandle(&semaphore), "QLV_GetDataSemaphoHandle") &&
         check(QLV_RecordStart(resolution), "QLV_RecordStart");

    /* QLV_RecordStart also succeeds when the camera has just gone: ask whether the reader runs. */
    int32_t state = 0;
    if (ok && (QLV_CheckRecording(&state) != 0 || (state & streamingBit) == 0)) {
        fprintf(stderr, "stream_frames: streaming did not start\n");
        ok = 0;
    }

    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int32_t received = 0;
    ok = ok && receiveFrames((sem_t*)semaphore, frames, &received);
    const double seconds = secondsSince(&start);

    /* After the stop the buffers are ours again and the frame count keeps its value. */
    ok = check(QLV_RecordStop(), "QLV_RecordStop") && ok;
    const int32_t completed = QLV_GetBufferIndex();
    if (ok) {
        printf("%d frames of %d x %d in %.2f s: %.1f frames/s\n", (int)received, (int)width,
               (int)height, seconds, (double)received / seconds);
        const unsigned char* newest = buffers[(completed - 1) % bufferCount];
        ok = savePicture(picturePath, newest, width, height);
        if (ok) {
            printf("newest frame (number %d) saved to %s\n", (int)completed, picturePath);
        }
    }

    ok = check(QLV_UnregisterBuffer(), "QLV_UnregisterBuffer") && ok;
    for (int i = 0; i < bufferCount; ++i) {
        free(buffers[i]);
    }
    return ok;
}

/* The whole word as a number from 1 to 100000, else 0. */
static long parseFrameCount(const char* text) {
    char* end = NULL;
    errno = 0;
    const long value = strtol(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= 1 && value <= 100000 ? value : 0;
}

int main(int argc, char** argv) {
    const long frames = argc > 1 ? parseFrameCount(argv[1]) : 60;
    const char* picturePath = argc > 2 ? argv[2] : "newest.ppm";
    if (argc > 3 || frames == 0) {
        fprintf(stderr, "usage: stream_frames [frames (1..100000, default 60)] [picture.ppm]\n");
        return 2;
    }

    /* QLV_Init and QLV_Term come from one thread, with no other library call running. */
    if (!check(QLV_Init(), "QLV_Init (starting the library)")) {
        return 1;
    }
    int ok = streamAndSave((int32_t)frames, picturePath);
    ok = check(QLV_Term(), "QLV_Term (ending the library)") && ok;
    return ok ? 0 : 1;
}
