/* A plain C program on the DLL, as an application would use it: streams ten frames into its own
 * buffers, waiting on the frame semaphore's handle, then ends the library and exits. A thread
 * left behind by the library would keep the process from exiting (the test's timeout). */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <QLV_API.h>

enum { bufferCount = 3, framesWanted = 10 };

static int fail(const char* what) {
    fprintf(stderr, "stream_client: %s\n", what);
    return 1;
}

static int waitForCamera(void) {
    for (int tries = 0; tries < 200; ++tries) {
        int32_t port = 0;
        if (QLV_InputPort(&port) == 0 && port == 8) {
            return 1;
        }
        Sleep(10);
    }
    return 0;
}

static int stream(void* const* buffers) {
    QLV_HANDLE frames = NULL;
    if (QLV_DispMode(1) != 0 || QLV_RegisterBuffer(bufferCount, buffers) != 0 ||
        QLV_GetDataSemaphoHandle(&frames) != 0 || QLV_RecordStart(0) != 0) {
        return fail("cannot start streaming");
    }
    int32_t seen = 0;
    while (seen < framesWanted) {
        if (WaitForSingleObject(frames, 5000) != WAIT_OBJECT_0) {
            QLV_RecordStop();
            return fail("no frame within 5 s");
        }
        const int32_t completed = QLV_GetBufferIndex();
        if (completed > seen) {
            seen = completed;
        }
    }
    QLV_RecordStop();
    QLV_UnregisterBuffer();
    printf("stream_client: %d frames\n", (int)seen);
    return 0;
}

int main(void) {
    if (QLV_Init() != 0) {
        return fail("QLV_Init failed");
    }
    int32_t width = 0, height = 0, bytes = 0;
    void* buffers[bufferCount] = {0};
    int result = 1;
    if (!waitForCamera()) {
        fail("no camera");
    } else if (QLV_GetDispSize(0, &width, &height, &bytes) != 0) {
        fail("no frame size");
    } else {
        int allocated = 1;
        for (int i = 0; i < bufferCount; ++i) {
            buffers[i] = malloc((size_t)bytes);
            allocated = allocated && buffers[i] != NULL;
        }
        result = allocated ? stream(buffers) : fail("out of memory");
    }
    if (QLV_Term() != 0) {
        result = fail("QLV_Term failed");
    }
    for (int i = 0; i < bufferCount; ++i) {
        free(buffers[i]);
    }
    return result;
}
