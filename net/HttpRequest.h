// The HTTP engine: one plain HTTP GET of a resource into memory, with progress shown and
// window messages pumped between the chunks of the body.
#pragma once

#include <chrono>
#include <cstddef>

#include "net/ByteBuffer.h"
#include "net/TransferProgress.h"

// 1 from start. The progress dialog's close button sets it to 0; a transfer that finds it
// 0 after a chunk is abandoned.
extern int g_nContinueUpdate;

// GET of host (no scheme, no port) and path (beginning with "/") on port 80.
// 0: body holds exactly the response body (no terminator) and length its size.
// 1: body holds one of the engine's error texts, NUL-terminated, and length its byte count
//    plus one; when host or path is an empty text nothing is written.
// 2: host or path is null; nothing is written.
int HttpDownload(const char* host, const char* path, CByteBuffer& body, int& length,
                 const TransferProgress* progress);

// The engine itself, on the decimal port of the port text: true with the body as for
// result 0 above, false as for result 1. progress may be null (no display).
bool HttpRequest(const char* host, const char* port, const char* path, CByteBuffer& body,
                 int& length, const TransferProgress* progress);

// The largest body a request keeps: 1 MiB without a progress record (the manifest), else
// 16 times the expected size plus 64 MiB, at most 1 GiB. A longer body fails with code 1.
std::size_t BodyLimit(const TransferProgress* progress);

// For tests only: how long connecting may take and how long a transfer may receive
// nothing before it fails. The program keeps the default of 30 seconds.
void SetStallTimeoutForTesting(std::chrono::seconds timeout);
