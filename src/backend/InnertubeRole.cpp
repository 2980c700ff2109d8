#include "src/backend/InnertubeRole.h"

namespace vexa {

BackendResult<std::unique_ptr<InnertubeRole>> make_innertube_backend(ServiceSettings const&)
{
    return backend_error("the innertube client is not part of this build");
}

}
