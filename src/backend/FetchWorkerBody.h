#pragma once

#include <functional>
#include <memory>

#include "kaso/platform/Queue.h"
#include "src/backend/WorkerMessages.h"
#include "src/backend/ContentBackend.h"
#include "src/backend/InnertubeRole.h"
#include "src/backend/ServiceSettings.h"

namespace vexa {

// What the worker is made of: the services' settings and the two ways of making a backend. The
// program uses `standard()`; tests replace the addresses and the innertube maker.
struct FetchWorkerEnvironment {
    ServiceSettings settings;
    std::function<BackendResult<std::unique_ptr<ContentBackend>>(ServiceSettings const&)> make_ytdlp;
    std::function<BackendResult<std::unique_ptr<InnertubeRole>>(ServiceSettings const&)> make_innertube;

    static FetchWorkerEnvironment standard();
    // The given settings with the program's own backend makers.
    static FetchWorkerEnvironment with_settings(ServiceSettings settings);
};

// The body of the "vexa-fetch" thread: chooses its backend, then answers requests one at a time
// until every request sender is gone. Every failure becomes a note or an offline status.
void run_fetch_worker(kaso::Receiver<WorkerRequest> requests, kaso::Sender<WorkerMessage> results, FetchWorkerEnvironment environment);

// "stream: <quality> <video+audio|video only> [<host>]"
std::string stream_note(std::string_view quality, bool has_audio, std::string_view address);

}
