#include "src/backend/InnertubeRole.h"

#include "kaso/platform/Error.h"
#include "src/backend/InnertubeBackend.h"

namespace vexa {

BackendResult<std::unique_ptr<InnertubeRole>> make_innertube_backend(ServiceSettings const& settings)
{
    auto backend = TRY(InnertubeBackend::make(settings));
    return std::unique_ptr<InnertubeRole>(std::move(backend));
}

}
